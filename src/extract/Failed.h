#pragma once
// Tells the user that an archive could not be extracted entirely and names the
// three probable causes, each with a page of the FAQ. Only informs.

#include <cstdint>

#include "ui/RunDialog.h"

class QLineEdit;
class QPushButton;
class TMobrelProgressForm;

class TFailedForm : public TRunDialog {
    Q_OBJECT
public:
    // `displayName`: the archive's displayed name, shown and hinted.
    TFailedForm(TMobrelProgressForm& run, const QString& displayName, QWidget* parent = nullptr);
    // For a run that died: its watcher has the interface language only.
    TFailedForm(std::int32_t language, const QString& displayName, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* FilenameBox = nullptr;
    QPushButton* Button3 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QPushButton* Button16 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* OKButton = nullptr;

    void Button3Click();
    void Button16Click();
    void Button1Click();
    void Button2Click();
    void OKButtonClick();

    // The FAQ pages, the same in every language.
    static constexpr const char* kIntroPage = "https://tarnwick.example/faq/rar-files";
    static constexpr const char* kDamagedPage = "https://tarnwick.example/faq/damaged-files";
    static constexpr const char* kMultiVolumePage =
        "https://tarnwick.example/faq/multivolume-files";
    static constexpr const char* kEncryptedPage = "https://tarnwick.example/faq/encrypted-files";
};
