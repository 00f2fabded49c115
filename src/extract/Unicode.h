#pragma once
// Shown instead of an extraction when the archive path holds a "?", the sign
// of characters lost on the way to the program. Says whether the file name or
// the folder path is at fault and what to do. Only informs.

#include "ui/RunDialog.h"

class QLineEdit;
class QPushButton;
class TMobrelProgressForm;

class TNoUnicodeForm : public TRunDialog {
    Q_OBJECT
public:
    // `archivePath`: the archive path as the run holds it. FilenameBox shows
    // its file-name part with the folder part (ending in '/') as hint.
    TNoUnicodeForm(TMobrelProgressForm& run, const QString& archivePath, QWidget* parent = nullptr);

    // True when the "?" stands in the file name, false when only in the folder.
    bool FileNameIncompatible = false;

    QLabel* Label1 = nullptr;
    QLineEdit* FilenameBox = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QPushButton* OKButton = nullptr;

    void OKButtonClick();
    // Fills the reason and solution lines; runs when the dialog is shown.
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
};
