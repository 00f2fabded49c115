#pragma once
// The password dialog of an extraction run: asks for the password of an
// encrypted archive or entry. OK puts the typed password into the run's
// DialogPassword, Cancel empties it; closing the window leaves it as it was.
// It can also keep the password as the default password or add it to the
// password list, at the moment OK is pressed.

#include <string>

#include "ui/RunDialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class TMobrelProgressForm;

class TPasswordForm : public TRunDialog {
    Q_OBJECT
public:
    // `fileName`: the name of the file that needs the password, shown and hinted.
    TPasswordForm(TMobrelProgressForm& run, const QString& fileName, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* FilenameBox = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QPushButton* Button16 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* PasswordEdit = nullptr;
    QPushButton* Button1 = nullptr;
    TOptionIcon* Image23 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    TOptionIcon* Image11 = nullptr;
    QCheckBox* CheckBox8 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

    void OKButtonClick();
    void CancelButtonClick();
    void PasswordEditChange();
    void PasswordEditKeyPress();
    void Image23Click();
    void Image11Click();
    void Button1Click();
    void Button2Click();
    void Button16Click();

    // The help pages behind the three "Learn more..." buttons.
    static constexpr const char* kEncryptedPage = "https://tarnwick.example/faq/encrypted-archives";
    static constexpr const char* kPhishingPage = "https://tarnwick.example/faq/phishing";
    static constexpr const char* kWhyProtectedPage =
        "https://tarnwick.example/faq/encrypted-archives#why-protected";

private:
    void FormCreate();
    // The password list file, as named by "listname.txt"; names the default
    // list in the settings folder (and, when `remember`, rewrites
    // "listname.txt") when that file is missing or its list has gone.
    std::string ListFilePath(bool remember = true) const;

    TMobrelProgressForm& run_;
    std::string settingsFolder_;
    bool answered_ = false;
};
