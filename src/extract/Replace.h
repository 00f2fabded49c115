#pragma once
// Asks whether a file that already exists in the output folder is to be
// overwritten. The answer is ReplaceAction: rrOverwrite (Yes), rrSkip (No),
// or rrCancel when the window is closed otherwise, which stops the
// extraction. "Apply to all" makes the answer the run's OverwriteAll or
// SkipAll; "never ask again" writes or deletes "replace.txt" at once.

#include "archive/RAR.h"
#include "ui/RunDialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class TMobrelProgressForm;

class TReplaceForm : public TRunDialog {
    Q_OBJECT
public:
    // `destination`: the path of the existing file, shown and hinted.
    TReplaceForm(TMobrelProgressForm& run, const QString& destination, QWidget* parent = nullptr);

    TRARReplaceAction ReplaceAction = rrCancel;

    QLabel* Label1 = nullptr;
    QLineEdit* FilenameBox = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label5 = nullptr;
    TOptionIcon* Image1 = nullptr;
    QCheckBox* CheckBox9 = nullptr;
    TOptionIcon* Image30 = nullptr;
    QCheckBox* CheckBox13 = nullptr;
    QPushButton* replaceButton = nullptr;
    QPushButton* skipButton = nullptr;

    void replaceButtonClick();
    void skipButtonClick();
    void CheckBox13Click();
    void Image1Click();
    void Image30Click();

private:
    TMobrelProgressForm& run_;
    std::string settingsFolder_;
};
