#pragma once
// Answers the program's dialogs without a person, for unattended runs and the
// end-to-end tests. TARNWICK_DIALOG_SCRIPT names a file of lines
//     <dialog class> <token> <token> ...
// where a token "Name=text" puts text into the line edit Name, "close" closes
// the dialog by its frame, "accept" accepts it (a message box's OK), and any
// other token clicks the button of that name; a first token "wait=MS" answers
// after MS milliseconds instead of 50. A class's lines are used in
// turn, the last one again and again. Every dialog shown is logged to
// <script>.log as "<pid> <class> | <caption> | <message or file name>".

#include <QFile>
#include <QObject>
#include <QStringList>
#include <map>
#include <vector>

class QDialog;

class DialogScript : public QObject {
public:
    explicit DialogScript(const QString& scriptPath);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void seen(QDialog* dialog);

    QFile log_;
    std::map<QString, std::vector<QStringList>> answers_;
    std::map<QString, std::size_t> used_;
};
