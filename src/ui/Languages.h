#pragma once
// Interface languages. The main window holds the language code
// (TfrmConfig::InterfaceLanguage): a Windows locale identifier such as 1031,
// or one of the program's own codes (9998, 9999, 10001 to 10004). Dialogs pick
// their texts from it by one rule; the main window carries its four
// instruction lines in 55 languages and its whole text in French, German and
// Spanish.
//
// The language steps work on the main window through the object names of its
// controls, so they need nothing of the window's class but its names.

#include <QString>
#include <array>
#include <cstdint>
#include <string>

class QComboBox;
class QWidget;

namespace languages {

enum class DialogLanguage { English, German, Spanish, French };

// 1031/4103 German; 1034/1069/3082 Spanish; 1036 French; anything else English.
DialogLanguage DialogLanguageOf(std::int32_t code);

// ---------------------------------------------------------------------------
// The language table

enum class Lines {
    Text,     // the four instruction lines as text
    Picture,  // the instruction lines hidden, a picture of them in the strip
    Full,     // text lines, and the rest of the main window translated
};

struct Language {
    const char* name;                  // as listed in LanguageCombo
    std::int32_t code;                 // the code a choice from the list stores
    std::array<std::int32_t, 2> also;  // further codes applied alike; 0 = none
    Lines lines;
    // Picture languages: the picture (a resource path) and the name of the
    // main window's image that stands for it. Empty for text languages.
    const char* picture;
    const char* pictureName;
    const char* optionsCaption;  // caption of the Options tab t1
    // Text and full languages: the four instruction lines (UTF-8).
    std::array<const char*, 4> text;
};

inline constexpr int kLanguageCount = 55;
inline constexpr int kEnglishIndex = 13;
inline constexpr std::int32_t kEnglish = 1033;
// The strip's own picture: Arabic, 484 x 60, shown at the strip's design place.
inline constexpr char kArabicPicture[] = ":/lang/Arabic.jpg";
inline constexpr int kStripTop = 256;
inline constexpr int kStripHeight = 60;
inline constexpr int kPictureTop = 253;

// The 55 entries in the order of the list.
const std::array<Language, kLanguageCount>& Table();

// The entry naming `code` as its own code or as an accepted one; -1 for none.
int IndexOfCode(std::int32_t code);

// A code written as decimal digits (blanks around it and a sign allowed);
// English (1033) for any other text, as the settings load and the installer
// value both need.
std::int32_t ParseCode(const QString& text);

// ---------------------------------------------------------------------------
// The installer's record of its language

// Where the installer records its language: organisation "Ostrel",
// application title + " - Lumox", value "Installer Language". The machine-wide
// copy is QSettings' system scope, the user's copy its user scope.
inline constexpr char kInstallerValue[] = "Installer Language";
QString InstallerKey(const QString& applicationTitle);

// The automatic choice: the machine-wide value, else the user's value, else
// English. A value found only in the user's copy is copied to the machine-wide
// one (unless it is English); a failed copy does not matter here.
std::int32_t DetectedLanguage(const QString& applicationTitle = QStringLiteral("Tarnwick"));

// ---------------------------------------------------------------------------
// Page addresses of the main window's link controls

struct PageAddresses {
    QString product, faq, update, donate, home, apps, books, projects, project1, project2;
};
// The English editions; German has its own for every page, French for the
// second project page only.
PageAddresses AddressesFor(std::int32_t code);

// ---------------------------------------------------------------------------
// Applying a language to the main window

// What the language steps need of the main window. Controls are found by
// object name among the window's own widgets (not inside other windows it
// owns, such as an open dialog).
struct MainWindow {
    QWidget& window;
    const std::string& settingsFolder;
    std::int32_t& interfaceLanguage;
    PageAddresses& addresses;
    QString applicationTitle = QStringLiteral("Tarnwick");
};

// The language application (the main window's Memo3DblClick): in automatic
// mode ("autolang.txt" present) the code is detected first; then the English
// base is set and the language's texts and pictures over it. The list's entry
// is selected when automatic mode is on or `senderIsList`.
void Apply(MainWindow w, bool senderIsList);

// A choice from the list (LanguageComboChange): stores the entry's code in
// "language.txt" and applies it. Nothing happens in automatic mode or for an
// index outside the table.
void ChooseFromList(MainWindow w, int index, bool senderIsList);

// "Detect language automatically" switched (CheckBox5Click): on writes
// "autolang.txt" and applies the detected language; off only deletes the file.
// Either way the list is enabled exactly when the box is off.
void SetAutomatic(MainWindow w, bool on, bool senderIsList);

// Fills the list with the 55 names, 19 rows shown, nothing selected.
void FillList(QComboBox& list);

// Sets the text that a control of the main window shows: a button's or
// label's text, a group box's title, a tab page's tab caption, a memo's
// lines. False when the window has no such control.
bool SetControlText(QWidget& window, const QString& name, const QString& text);
// The named control of the window itself (not of windows it owns); null when
// there is none.
QWidget* Control(QWidget& window, const QString& name);

}  // namespace languages
