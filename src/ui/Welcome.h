#pragma once
// The welcome dialog: greets the user on a start without an archive while
// "firstrun.txt" exists, repeats the three steps of unpacking over a picture
// and lets the user start them at once by clicking the picture. With its box
// clear, OK or a click on the picture deletes "firstrun.txt", so by default
// the dialog shows once; the title-bar close deletes nothing.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

class QCheckBox;
class TfrmConfig;
class QLabel;
class QPushButton;

class TWelcomeForm : public QDialog {
    Q_OBJECT
public:
    // `interfaceLanguage` picks the texts; `settingsFolder` (ending in '/')
    // holds "firstrun.txt"; `unrar` is the main window's "Unrar..." action,
    // given the clicked control.
    TWelcomeForm(std::int32_t interfaceLanguage, std::string settingsFolder,
                 std::function<void(QObject* sender)> unrar, QWidget* parent = nullptr);

    void FormCreate();
    void OKButtonClick();
    void Image24Click(QObject* sender);

    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* StaticText3 = nullptr;
    QLabel* Image24 = nullptr;
    QLabel* StaticText6 = nullptr;
    QLabel* StaticText7 = nullptr;
    QLabel* StaticText8 = nullptr;
    QCheckBox* CheckBox9 = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void forgetFirstRun() const;

    std::int32_t language_;
    std::string settingsFolder_;
    std::function<void(QObject*)> unrar_;
};

// Shows the welcome dialog modally, owned by the main window, in its language;
// clicking the picture runs the window's "Unrar..." action.
void ShowWelcome(TfrmConfig& owner);
