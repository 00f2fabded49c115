#pragma once
// Shown while the output folder refuses the write probe. "Yes" opens the
// wizard to choose another folder, "No" cancels the run (the run's
// Cancelled); the title-bar close sets nothing, so the run probes the same
// folder again.

#include "ui/RunDialog.h"

class QLineEdit;
class QPushButton;
class TMobrelProgressForm;

class TReadonlyForm : public TRunDialog {
    Q_OBJECT
public:
    // `folder`: the output folder that refused files.
    TReadonlyForm(TMobrelProgressForm& run, const QString& folder, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* FolderBox = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* selectButton = nullptr;
    QPushButton* skipButton = nullptr;

    // The archive as given on the command line, handed to the wizard; the
    // first program argument unless set otherwise.
    QString ArchivePath;

    void selectButtonClick();
    void skipButtonClick();

private:
    TMobrelProgressForm& run_;
};
