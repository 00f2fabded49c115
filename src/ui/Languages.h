#pragma once
// Interface languages. The main window holds the language code
// (TfrmConfig::InterfaceLanguage): a Windows locale identifier such as 1031,
// or one of the program's own codes (9998, 9999, 10001 to 10004). Dialogs pick
// their texts from it by one rule; the main window carries its four
// instruction lines in 55 languages and its whole text in French, German and
// Spanish.
//
// The translated texts are tables keyed by the object names of the main
// window's controls; adding a language is adding a table, not code.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <string>

class QComboBox;
class QObject;
class QWidget;
class TfrmConfig;
struct PageAddresses;

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
    // Picture languages: the picture, a resource path; null for the others.
    const char* picture;
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
inline constexpr int kPictureHeight = 63;
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

// The language a locale name (language[_territory][.codeset][@modifier], as in
// LANG) speaks, as one of the table's codes; English for "C", "POSIX" and any
// language the table lacks.
std::int32_t CodeOfLocale(const QString& locale);

// The desktop's language: the first of LC_ALL, LC_MESSAGES and LANG that is
// set, refined by the LANGUAGE priority list unless that locale is "C" or
// "POSIX"; English when none is set. Read from the environment alone, so no
// locale needs to be generated for it.
std::int32_t DesktopLanguage();

// The automatic choice: the machine-wide value, else the user's value, else
// the desktop's language (no installer records one on Linux). A value found
// only in the user's copy is copied to the machine-wide one (unless it is
// English); a failed copy does not matter here. The desktop's language is
// never copied: it follows the desktop from run to run. On Linux
// the machine-wide copy is looked for in the XDG_CONFIG_DIRS folders, the
// user's in XDG_CONFIG_HOME, when these are set (the first XDG_CONFIG_DIRS
// folder holding it, else the last one).
std::int32_t DetectedLanguage(const QString& applicationTitle = QStringLiteral("Tarnwick"));

// ---------------------------------------------------------------------------
// Page addresses of the main window's link controls

// The English editions but for German, which has its own for every page, and
// French, which has its own for the More page's second project.
PageAddresses AddressesFor(std::int32_t code);

// ---------------------------------------------------------------------------
// Applying a language to the main window

// The language application (the main window's Memo3DblClick): in automatic
// mode ("autolang.txt" present) the code is detected first; then the English
// base is set and the language's lines or picture, Options caption and, for
// French, German and Spanish, its texts, pictures and addresses over it. The
// list's entry is selected when automatic mode is on or the sender is the
// list; a code the table does not name leaves the English base and the list.
void Apply(TfrmConfig& window, QObject* sender);

// Gives the main window's controls that show no text of their own (the
// password box, the language list, pictures and areas that act as links) their
// names and descriptions for assistive tools, in `language`.
void ApplyAccessibleNames(TfrmConfig& window, DialogLanguage language);

// Fills the list with the 55 names, 19 rows shown, nothing selected.
void FillList(QComboBox& list);

// The controls the French, German and Spanish texts name.
QStringList TranslatedControls();

// Sets the text that a control of the window shows: a button's or label's
// text, a group box's title, a tab page's tab caption, a memo's lines. False
// when the window has no such control.
bool SetControlText(QWidget& window, const QString& name, const QString& text);
// The named control of the window itself (not of windows it owns, such as an
// open dialog); null when there is none.
QWidget* Control(QWidget& window, const QString& name);

}  // namespace languages
