#pragma once
// The wizard: lets the user confirm the archive and settle the output folder
// before a run extracts anything. Every choice is written to its settings file
// at once ("folder.txt", "subdir.txt", "opendir.txt", "wizard.txt"), so the
// run reads the choices after the wizard closes whichever way it closed.
// Cancel sets *cancelled; OK and the title-bar close let the run go on.
// Without "wizard.txt" (opened because the output folder refused files) the
// wizard hides its "show again" box and opens the folder browser by itself.

#include <QTimer>

#include "ui/RunDialog.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TfrmConfig;

class TWizardForm : public TRunDialog {
    Q_OBJECT
public:
    // `archivePath`: the archive as given on the command line, shown in
    // FilenameBox; its folder is the output folder when none is stored.
    // `cancelled` (may be null) is set when the user presses Cancel.
    TWizardForm(TfrmConfig& config, bool* cancelled, const QString& archivePath,
                QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* FilenameBox = nullptr;
    QPushButton* Button1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    TOptionIcon* Image17 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    TOptionIcon* Image19 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    TClickText* StaticText13 = nullptr;
    QPushButton* Button4 = nullptr;
    TOptionIcon* Image18 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    TOptionIcon* Image16 = nullptr;
    QCheckBox* CheckBox11 = nullptr;
    QCheckBox* CheckBox9 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QTimer* Timer1 = nullptr;

    void RadioButton1Click();
    void RadioButton2Click();
    void StaticText13Click();
    void CheckBox3Click();
    void CheckBox11Click();
    void CheckBox9Click();
    void Image17Click();
    void Image19Click();
    void Image18Click();
    void Image16Click();
    void Button1Click();
    void OKButtonClick();
    void CancelButtonClick();
    void Timer1Timer();

    // The page behind "Learn more...", the same in every language.
    static constexpr const char* kIntroPage = "https://tarnwick.example/faq/rar-files";

private:
    void FormCreate(const QString& archivePath);
    void ShowFolder(const QString& folder);

    std::string settingsFolder_;
    bool* cancelled_;
    // Set while the stored folder could not be read: the shown text is then
    // only a stand-in and must not replace the stored folder.
    bool folderUnread_ = false;
    // The bytes behind the folder shown (a stored folder need not be UTF-8).
    std::string shownFolder_;
};
