#pragma once
// The main window: the product picture with the three ways to unpack, the
// "Unrar..." button, the option pages, and the About, Author, More and Help
// pages. It never extracts: for each archive chosen or dropped it starts a new
// process of the program with the archive's path as the only argument and
// waits until no progress window exists before starting the next.
//
// Options live in the settings folder, one small file each. Every option
// handler stores what its control shows, so a handler may run any number of
// times; a program step that changes a control's state (the settings load, an
// option icon) runs the same handler as a user's click.

#include <QHash>
#include <QLabel>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ui/Pictures.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTextEdit;
class QTimer;
class QUrl;

// The web addresses the link controls open; one edition per interface language.
struct PageAddresses {
    QString product;
    QString faq;
    QString update;  // carries the query key "UID" with the value 240
    QString donate;
    QString home;  // the maker's home page
    QString apps;
    QString books;
    QString projects;  // the maker's project index (Author and More pages)
    QString project1;  // the More page's two projects
    QString project2;
};
extern const PageAddresses kEnglishPageAddresses;
// The help video: one address for every language.
extern const char kVideoAddress[];

class TfrmConfig : public QWidget {
    Q_OBJECT
public:
    explicit TfrmConfig(QWidget* parent = nullptr);

    // The settings folder, ending in '/'; computed by the settings load.
    std::string SettingsFolder;
    // The applied interface language (a Windows locale identifier or a private
    // code); 0 until a language is applied.
    std::int32_t InterfaceLanguage = 0;
    // The application title, taken at creation; texts are built from it.
    QString ApplicationTitle;
    // The addresses the link controls open; the language application sets them.
    PageAddresses Addresses = kEnglishPageAddresses;

    // The program started for each archive: this program's own file. Tests put
    // a helper program here.
    std::string ProgramPath;
    // Set by the entry before the window is made: this window is the hidden main
    // window of an extraction run, whose load writes no setting at all.
    static inline bool ExtractionRun = false;
    // Whether the process was started with a command-line argument; the
    // start-up timer then does nothing.
    bool StartedWithArguments = false;
    // Shows the welcome dialog modally, owned by this window; set by the
    // welcome dialog's unit. Empty: the start-up timer skips the dialog.
    std::function<void()> ShowWelcomeDialog;
    // The shell's "open" for pages, files and folders; the result is ignored.
    std::function<void(const QUrl&)> OpenUrl;

    // Poll intervals of the wait for progress windows, in milliseconds.
    static constexpr int kDialogWaitMs = 920;
    static constexpr int kDropWaitMs = 1100;

    // The settings load: makes the first-run defaults when the settings folder
    // is missing and shows every option in its control, running the handler of
    // each control whose state changes.
    void Memo3Click();
    // Applies InterfaceLanguage to the window. `sender` is the control that
    // asked; the language list's selection follows the applied language when
    // automatic detection is on or the sender is the list.
    void Memo3DblClick(QObject* sender);
    // Returns every translated control, the page addresses and the language
    // dependent pictures to their English base.
    void ApplyEnglishTexts();
    // Sets the four instruction lines under the product picture.
    void SetInstructionLines(const QStringList& lines);

    void Timer1Timer();
    void Button1Click();
    // The files of a drop, in the drop's order.
    void WMDropFiles(const QStringList& paths);
    // Starts the program for one archive and waits until no progress window
    // exists, polling every `intervalMs`.
    void StartExtractionAndWait(const QString& archivePath, int intervalMs);

    // Option handlers.
    void CheckBox4Click();
    void PasswordEditChange();
    void CheckBox8Click();
    void CheckBox10Click();
    void CheckBox3Click();
    void CheckBox11Click();
    void CheckBox5Click(QObject* sender);
    void CheckBox12Click();
    void CheckBox2Click();
    void CheckBox1Click();
    void CheckBox7Click();
    void CheckBox13Click();
    void CheckBox9Click();
    void RadioButton1Click();
    void RadioButton2Click();
    void StaticText13Click();
    void Button10Click();
    void Button7Click();
    void LanguageComboChange(QObject* sender);

    // Option icons.
    void Image23Click();
    void Image11Click();
    void Image25Click();
    void Image17Click();
    void Image19Click();
    void Image18Click();
    void Image16Click();
    void Image26Click();
    void Image29Click();
    void Image21Click();
    void Image28Click();
    void Image20Click();
    void Image30Click();
    void Image22Click();

    // Links.
    void StaticText2Click();
    void StaticText5Click();
    void Image12Click();
    void Button17Click();
    void Button19Click();
    void Button2Click();
    void Image4Click();
    void Image5Click();
    void Image3Click();
    void Image7Click();
    void Image1Click();
    void Image6Click();
    void Button12Click();
    void Button14Click();

    // Controls, by page.
    QTabWidget* PageControl1;
    QWidget* t3;
    QWidget* t1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QWidget* TabSheet4;
    QWidget* TabSheet5;
    QTimer* Timer1;

    // First page.
    QLabel* Image2 = nullptr;  // the product picture; the progress window's background
    QTextEdit* Memo2;
    pictures::PictureLabel* LanguageImage;
    QPushButton* Button1;

    // Options page.
    QGroupBox* GroupBox1;
    QCheckBox* CheckBox4;
    QLineEdit* PasswordEdit;
    QCheckBox* CheckBox8;
    QPushButton* Button10;
    QPushButton* Button7;
    QCheckBox* CheckBox10;
    QGroupBox* GroupBox2;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QLabel* StaticText13;
    QPushButton* Button4;
    QCheckBox* CheckBox3;
    QCheckBox* CheckBox11;
    pictures::PictureLabel *Image23, *Image11, *Image25, *Image17, *Image19, *Image18, *Image16;

    // Interface page.
    QGroupBox* GroupBox3;
    QCheckBox* CheckBox5;
    QComboBox* LanguageCombo;
    QCheckBox* CheckBox12;
    QCheckBox* CheckBox2;
    QGroupBox* GroupBox4;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox7;
    QCheckBox* CheckBox13;
    QCheckBox* CheckBox9;
    pictures::PictureLabel *Image26, *Image29, *Image21, *Image28, *Image20, *Image30, *Image22;

    // About page.
    pictures::PictureLabel* Image10;
    pictures::PictureLabel* Image14;
    QLabel* StaticText2;
    QLabel* StaticText5;
    QTextEdit* Memo1;
    QPushButton* Button17;
    QPushButton* Button2;
    QPushButton* Button19;

    // Author page: two full-page pictures (English Image31, German Image12),
    // three picture areas and their buttons.
    pictures::PictureLabel* Image12;
    pictures::PictureLabel* Image31;
    QLabel* Image5;
    QLabel* Image1;
    QLabel* Image3;
    QPushButton* Button3;
    QPushButton* Button9;
    QPushButton* Button6;

    // More page: two full-page pictures (English Image6, German Image4), three
    // picture areas and their buttons.
    pictures::PictureLabel* Image6;
    pictures::PictureLabel* Image4;
    QLabel* Image8;
    QLabel* Image9;
    QLabel* Image7;
    QPushButton* Button5;
    QPushButton* Button11;
    QPushButton* Button8;

    // Help page.
    pictures::PictureLabel* Image24;
    QLabel* StaticText1;
    QLabel* StaticText3;
    QLabel* StaticText6;
    QLabel* StaticText7;
    QLabel* StaticText8;
    QLabel* StaticText4;
    QLabel* StaticText9;
    QPushButton* Button12;
    QPushButton* Button13;
    QPushButton* Button14;

    // Lights up the product picture while archives are dragged over the
    // window, so the user sees they can be dropped; made at the first drag.
    QWidget* dropHighlight() const { return dropHighlight_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildFirstPage();
    void buildOptionsPage();
    void buildInterfacePage();
    void buildAboutPage();
    void buildAuthorPage();
    void buildMorePage();
    void buildHelpPage();
    void applyDesignTexts();
    // `partner`: the control a picture stands for (see accessibility::MakeActivatable).
    void onClick(QWidget* widget, std::function<void()> handler, QWidget* partner = nullptr);
    // Writes or deletes a flag for an option control; a failure is reported
    // (once per settings load).
    void storeFlag(const char* name, bool on);
    void reportWriteFailure();
    std::string desktopFolder() const;
    // Shows a folder (bytes as stored) in StaticText13 and its hint.
    void showFolder(const std::string& folder);

    void showDropHighlight(bool on);

    QHash<QObject*, std::function<void()>> clickHandlers_;
    QWidget* dropHighlight_ = nullptr;
    bool loading_ = false;
    bool writeFailedDuringLoad_ = false;
    bool skipFolderStore_ = false;
    bool skipPasswordStore_ = false;
    bool busy_ = false;
    // The stored bytes behind the texts of StaticText13 and PasswordEdit.
    std::string shownFolder_;
    std::string shownPassword_;
    // The value of "folder.txt" during the load.
    std::optional<std::string> loadedFolder_;
};
