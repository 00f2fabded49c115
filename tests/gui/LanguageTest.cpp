// The interface language: choosing it (installer value, hand choice,
// automatic detection on and off) and applying it to the main window.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <memory>

#include "settings/Settings.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "ui/About.h"
#include "ui/Languages.h"
#include "ui/Pictures.h"

// Readable QStrings in failure messages.
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace languages;
using testing_support::TempDir;

namespace {

const QString kKey = QString::fromLatin1(kInstallerValue);

QString TextOf(TfrmConfig& window, const char* name) {
    QWidget* w = Control(window, name);
    if (!w) return "<missing>";
    if (window.PageControl1->indexOf(w) >= 0)
        return window.PageControl1->tabText(window.PageControl1->indexOf(w));
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* m = qobject_cast<QTextEdit*>(w)) return m->toPlainText();
    if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return m->toPlainText();
    return QString();
}

bool Shown(TfrmConfig& window, const char* name) {
    QWidget* w = Control(window, name);
    return w && !w->isHidden();
}

// Everything a language application may change, for comparing two windows.
QStringList Snapshot(TfrmConfig& window) {
    QStringList out;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const QByteArray name = w->objectName().toUtf8();
        if (name.isEmpty() || name.startsWith("qt_") || w->window() != &window) continue;
        out << QString("%1=%2 shown=%3 enabled=%4")
                   .arg(w->objectName(), TextOf(window, name.constData()))
                   .arg(!w->isHidden())
                   .arg(w->isEnabled());
    }
    const QRect strip = window.LanguageImage->geometry();
    out << QString("strip %1,%2 %3x%4 %5")
               .arg(strip.x())
               .arg(strip.y())
               .arg(strip.width())
               .arg(strip.height())
               .arg(window.LanguageImage->picture());
    out << QString("list=%1").arg(window.LanguageCombo->currentIndex());
    const PageAddresses& a = window.Addresses;
    out << a.product << a.faq << a.update << a.donate << a.home << a.apps << a.books << a.projects
        << a.project1 << a.project2;
    out.sort();
    return out;
}

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        configHome = home.path() + "/config";
        folder = configHome + "/Ostrel/Tarnwick/";
        machineDir = machineRoot.path();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configHome));
        qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(machineDir));
    }

    // A start of the main window on the prepared settings and installer records.
    std::unique_ptr<TfrmConfig> Start() {
        auto w = std::make_unique<TfrmConfig>();
        w->Timer1->stop();  // no welcome dialog or file dialog here
        return w;
    }
    // Settings of a program that has run before, without automatic detection.
    void ByHand() {
        settings::Store store(folder);
        store.createDefaults();
        store.clearFlag(settings::kAutoLang);
    }
    // The installer's records, where they lie on this system.
    QString InstallerFile(QSettings::Scope scope) const {
        const std::string root = scope == QSettings::SystemScope ? machineDir : configHome;
        return QString::fromStdString(root) + "/Ostrel/Tarnwick - Lumox.conf";
    }
    void SetInstallerValue(QSettings::Scope scope, const QString& value) {
        QSettings s(InstallerFile(scope), QSettings::IniFormat);
        s.setValue(kKey, value);
        s.sync();
        ASSERT_EQ(s.status(), QSettings::NoError);
    }
    QVariant InstallerValue(QSettings::Scope scope) const {
        return QSettings(InstallerFile(scope), QSettings::IniFormat).value(kKey);
    }
    static QString Line(TfrmConfig& w, int i) {
        return w.Memo2->toPlainText().split('\n').value(i);
    }
    // A choice from the list, as the user makes it.
    static void Choose(TfrmConfig& w, int index) {
        w.LanguageCombo->setCurrentIndex(index);
        emit w.LanguageCombo->activated(index);
    }
    // Applies `code` as the settings load does with a stored hand choice.
    static void ApplyCode(TfrmConfig& w, std::int32_t code) {
        w.InterfaceLanguage = code;
        w.Memo3DblClick(w.LanguageCombo);
    }

    TempDir home, machineRoot;
    // Put back after the test: SetUp and the tests point them into the folders above.
    testing_support::ScopedEnv savedConfigHome{"XDG_CONFIG_HOME"},
        savedConfigDirs{"XDG_CONFIG_DIRS"};
    std::string configHome, folder, machineDir;
};

TEST_F(LanguageTest, TableHoldsEveryLanguageOnceWithItsLinesOrPicture) {
    const auto& table = Table();
    int text = 0, picture = 0, full = 0;
    QSet<std::int32_t> codes;
    QSet<QString> pictureFiles;
    for (const Language& l : table) {
        for (std::int32_t c : {l.code, l.also[0], l.also[1]}) {
            if (c == 0) continue;
            EXPECT_FALSE(codes.contains(c)) << "code " << c << " named twice";
            codes.insert(c);
            EXPECT_EQ(&table[static_cast<std::size_t>(IndexOfCode(c))], &l);
        }
        if (l.lines == Lines::Picture) {
            ++picture;
            pictureFiles.insert(l.picture);
            const QImage image = pictures::Image(l.picture);
            ASSERT_FALSE(image.isNull()) << l.name << " picture " << l.picture;
            EXPECT_EQ(image.size(), QSize(484, QString(l.picture) == kArabicPicture ? 60 : 63))
                << l.name;
            EXPECT_EQ(QString(l.picture).endsWith(".bmp"), l.code == 10001 || l.code == 10003)
                << l.name << ": Hindi and Persian are the bitmaps";
        } else {
            l.lines == Lines::Full ? ++full : ++text;
            for (const char* line : l.text) ASSERT_TRUE(line && *line) << l.name;
            EXPECT_TRUE(QString::fromUtf8(l.text[2]).contains("\"Extract!\"")) << l.name;
            for (int i = 1; i < 4; ++i)
                EXPECT_TRUE(QString::fromUtf8(l.text[i]).startsWith("--> ")) << l.name;
        }
    }
    EXPECT_EQ(text + full, 28);
    EXPECT_EQ(full, 3);
    EXPECT_EQ(picture, 27);
    EXPECT_EQ(pictureFiles.size(), 25);  // Bosnian, Croatian and Serbian (Latin) share one
    EXPECT_STREQ(table[kEnglishIndex].name, "English");
    EXPECT_EQ(IndexOfCode(1039), -1);  // Icelandic is the program's 15
    EXPECT_EQ(IndexOfCode(0), -1);
}

TEST_F(LanguageTest, TextLinesFitTheInstructionMemoAndEveryRowHasItsControl) {
    auto w = Start();
    const QFontMetrics metrics(w->Memo2->font());
    const int room = w->Memo2->width() - 2 * int(w->Memo2->document()->documentMargin()) - 2;
    for (const Language& l : Table()) {
        if (l.lines == Lines::Picture) continue;
        for (const char* line : l.text)
            EXPECT_LE(metrics.horizontalAdvance(QString::fromUtf8(line)), room)
                << l.name << ": " << line;
    }
    for (const QString& name : TranslatedControls())
        EXPECT_NE(Control(*w, name), nullptr) << name.toStdString();
}

// The language list drops down 19 rows and scrolls the rest, whatever the
// style would do with a plain list.
TEST_F(LanguageTest, LanguageListShowsNineteenRows) {
    ByHand();
    auto w = Start();
    w->show();
    w->PageControl1->setCurrentWidget(w->TabSheet1);
    QComboBox* list = w->LanguageCombo;
    list->setCurrentIndex(0);
    list->showPopup();
    QAbstractItemView* view = list->view();
    ASSERT_TRUE(view->isVisible());
    const int row = view->visualRect(view->model()->index(0, 0)).height();
    ASSERT_GT(row, 0);
    int shown = 0;
    for (int i = 0; i < list->count(); ++i)
        if (view->viewport()->rect().intersects(view->visualRect(view->model()->index(i, 0))))
            ++shown;
    EXPECT_EQ(shown, 19);
    EXPECT_LE(view->window()->height(), 20 * row) << "popup " << view->window()->height();
    list->hidePopup();
}

// The translated captions fit their controls: nothing clipped at a group's
// edge, no option running under the "Browse..." button.
TEST_F(LanguageTest, TranslatedCaptionsFitTheirControls) {
    ByHand();
    auto w = Start();
    // The English base wording is fixed; the layout is the window's.
    for (std::int32_t code : {1036, 1031, 1034}) {
        ApplyCode(*w, code);
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
            if (b->window() != w.get() || b->text().isEmpty()) continue;
            const int need = b->sizeHint().width();
            if (qobject_cast<QPushButton*>(b)) {
                EXPECT_LE(need, b->width()) << code << " " << b->text().toStdString();
            } else {
                EXPECT_LE(b->x() + need, b->parentWidget()->width() - 4)
                    << code << " " << b->text().toStdString();
            }
        }
        EXPECT_LE(w->RadioButton2->x() + w->RadioButton2->sizeHint().width(), w->Button4->x())
            << code;
        for (QLabel* l : {w->StaticText1, w->StaticText3, w->StaticText4, w->StaticText9})
            EXPECT_LE(l->x() + l->sizeHint().width(), l->parentWidget()->width())
                << code << " " << l->text().toStdString();
        for (QLabel* l : {w->StaticText6, w->StaticText7, w->StaticText8})
            EXPECT_LE(l->heightForWidth(l->width()), l->height())
                << code << " " << l->text().toStdString();
        EXPECT_LE(w->PageControl1->tabBar()->sizeHint().width(), w->PageControl1->width()) << code;
    }
}

TEST_F(LanguageTest, FirstStartWithoutInstallerValueIsEnglishAndWritesNothing) {
    auto w = Start();
    EXPECT_TRUE(settings::Store(folder).exists(settings::kAutoLang));
    EXPECT_EQ(w->InterfaceLanguage, 1033);
    EXPECT_EQ(w->LanguageCombo->currentText(), "English");
    EXPECT_FALSE(w->LanguageCombo->isEnabled());
    EXPECT_EQ(Line(*w, 2),
              "--> Right-click the compressed file and choose \"Extract!\" in the context menu");
    EXPECT_FALSE(testing_support::PathExists(machineDir + "/Ostrel"));
}

TEST_F(LanguageTest, UserValueIsCopiedToMachineButEnglishNeverIs) {
    SetInstallerValue(QSettings::UserScope, "1031");
    auto w = Start();
    EXPECT_EQ(w->InterfaceLanguage, 1031);
    EXPECT_EQ(w->LanguageCombo->currentText(), "German");
    EXPECT_EQ(w->CheckBox5->text(), "Sprache automatisch erkennen");
    EXPECT_EQ(InstallerValue(QSettings::SystemScope).toString(), "1031");
    EXPECT_EQ(DialogLanguageOf(w->InterfaceLanguage), DialogLanguage::German);

    TempDir otherMachine;
    machineDir = otherMachine.path();
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(machineDir));
    SetInstallerValue(QSettings::UserScope, "1033");
    EXPECT_EQ(DetectedLanguage(), 1033);
    EXPECT_FALSE(testing_support::PathExists(machineDir + "/Ostrel"));
}

TEST_F(LanguageTest, MachineValueWinsAndIsLeftAlone) {
    SetInstallerValue(QSettings::SystemScope, "1036");
    SetInstallerValue(QSettings::UserScope, "1031");
    EXPECT_EQ(DetectedLanguage(), 1036);
    EXPECT_EQ(InstallerValue(QSettings::SystemScope).toString(), "1036");
    // A value that is no number is English, and is not replaced.
    SetInstallerValue(QSettings::SystemScope, "deutsch");
    EXPECT_EQ(DetectedLanguage(), 1033);
    EXPECT_EQ(InstallerValue(QSettings::SystemScope).toString(), "deutsch");
    SetInstallerValue(QSettings::SystemScope, "99999999999");
    EXPECT_EQ(DetectedLanguage(), 1033);
}

TEST_F(LanguageTest, MachineCopyIsFoundInAnyConfigurationFolder) {
    TempDir first, last;
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(first.path() + ":" + last.path()));
    machineDir = last.path();
    SetInstallerValue(QSettings::SystemScope, "1043");
    EXPECT_EQ(DetectedLanguage(), 1043);

    // Without one anywhere, the user's value is copied to the generic folder.
    testing_support::RemoveTree(last.path() + "/Ostrel");
    SetInstallerValue(QSettings::UserScope, "1045");
    EXPECT_EQ(DetectedLanguage(), 1045);
    EXPECT_EQ(InstallerValue(QSettings::SystemScope).toString(), "1045");
    EXPECT_FALSE(testing_support::PathExists(first.path() + "/Ostrel"));
}

TEST_F(LanguageTest, UnwritableMachineCopyStillAppliesTheLanguage) {
    // The machine folder is a plain file: nothing can be created below it.
    const std::string blocked = machineDir + "/blocked";
    testing_support::WriteFile(blocked, "x");
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(blocked));
    SetInstallerValue(QSettings::UserScope, "3082");
    auto w = Start();
    EXPECT_EQ(w->InterfaceLanguage, 3082);
    EXPECT_EQ(w->LanguageCombo->currentText(), "Spanish");
    EXPECT_EQ(TextOf(*w, "t1"), "Opciones");
    EXPECT_EQ(w->Button2->text(), "Licencia...");
}

// Without an installer value the desktop's locale names the language (a run
// in that language, recording nothing: the end-to-end test).
TEST_F(LanguageTest, DesktopLocaleNamesTheLanguageWithoutAnInstallerValue) {
    const std::pair<const char*, std::int32_t> names[] = {
        {"de_DE.UTF-8", 1031}, {"De_at", 1031},       {"fr_CA", 1036}, {"pt_PT.UTF-8", 2070},
        {"pt_BR", 1046},       {"sr_RS@latin", 2074}, {"sr_RS", 3098}, {"zh_TW.UTF-8", 1028},
        {"pt", 1046},          {"is_IS", 15},         {"C", 1033},     {"xx_YY", 1033}, {"", 1033}};
    for (const auto& [name, code] : names) EXPECT_EQ(CodeOfLocale(name), code) << name;

    testing_support::ScopedEnv all("LC_ALL", ""), messages("LC_MESSAGES", "es_ES.UTF-8"),
        lang("LANG", "de_DE.UTF-8"), preferred("LANGUAGE", "xx:it:de");
    EXPECT_EQ(DesktopLanguage(), 1040);  // LANGUAGE's first known entry
    testing_support::ScopedEnv plain("LC_ALL", "C.UTF-8");
    EXPECT_EQ(DesktopLanguage(), 1033);  // a C locale ignores LANGUAGE

    // A bare "pt" is Brazilian Portuguese, and the window speaks it.
    testing_support::ScopedEnv noAll("LC_ALL", ""), noMessages("LC_MESSAGES", ""),
        portuguese("LANG", "pt"), noList("LANGUAGE", "");
    auto w = Start();
    EXPECT_EQ(w->InterfaceLanguage, 1046);
    EXPECT_EQ(w->LanguageCombo->currentText(), "Portuguese");
    EXPECT_EQ(TextOf(*w, "t1"), QString::fromUtf8("Opções"));
    EXPECT_EQ(Line(*w, 0),
              QString::fromUtf8("Para descompactar um arquivo, escolha um dos três métodos a seguir:"));
}

TEST_F(LanguageTest, AcceptedCodesSelectTheirEntry) {
    struct Case {
        const char* value;
        const char* entry;
        const char* t1;
    };
    const Case cases[] = {
        {"4103", "German", "Optionen"},        {"3082", "Spanish", "Opciones"},
        {"1069", "Spanish", "Opciones"},       {"2070", "Portuguese", "Opções"},
        {"2068", "Norwegian", "Alternativer"}, {" 15 ", "Icelandic", "Valkostir"}};
    auto w = Start();
    for (const Case& c : cases) {
        SetInstallerValue(QSettings::SystemScope, c.value);
        w->Memo3DblClick(nullptr);
        EXPECT_EQ(w->LanguageCombo->currentText(), c.entry) << c.value;
        EXPECT_EQ(TextOf(*w, "t1"), QString::fromUtf8(c.t1)) << c.value;
    }
    // Another German locale: English everywhere, the selection left as it was.
    SetInstallerValue(QSettings::SystemScope, "2055");
    w->Memo3DblClick(nullptr);
    EXPECT_EQ(w->InterfaceLanguage, 2055);
    EXPECT_EQ(w->LanguageCombo->currentText(), "Icelandic");
    EXPECT_EQ(TextOf(*w, "t1"), "Options");
    EXPECT_EQ(w->GroupBox3->title(), " General  ");
    EXPECT_EQ(Line(*w, 0), "To unrar a file choose one of the three following methods:");
    EXPECT_EQ(DialogLanguageOf(w->InterfaceLanguage), DialogLanguage::English);
}

TEST_F(LanguageTest, HandChoiceStoresTheEntryCodeForTheNextStart) {
    ByHand();
    auto w = Start();
    EXPECT_TRUE(w->LanguageCombo->isEnabled());
    EXPECT_EQ(w->LanguageCombo->currentIndex(), -1);
    Choose(*w, 25);  // Icelandic
    EXPECT_EQ(w->InterfaceLanguage, 15);
    EXPECT_EQ(testing_support::ReadFile(folder + settings::kLanguage), "15\r\n");

    w = Start();
    EXPECT_EQ(w->InterfaceLanguage, 15);
    EXPECT_EQ(w->LanguageCombo->currentText(), "Icelandic");
    EXPECT_EQ(TextOf(*w, "t1"), "Valkostir");
    EXPECT_EQ(Line(*w, 0), QString::fromUtf8(Table()[25].text[0]));
}

TEST_F(LanguageTest, LanguageFileIsIgnoredInAutomaticMode) {
    settings::Store(folder).createDefaults();
    testing_support::WriteFile(folder + settings::kLanguage, "1036\r\n");
    auto w = Start();
    EXPECT_EQ(w->InterfaceLanguage, 1033);
    EXPECT_EQ(w->Button2->text(), "License...");
    // A choice from the disabled list changes nothing either.
    Choose(*w, 20);
    EXPECT_EQ(w->InterfaceLanguage, 1033);
    EXPECT_EQ(testing_support::ReadFile(folder + settings::kLanguage), "1036\r\n");
}

TEST_F(LanguageTest, PictureStripFollowsThePictureLanguages) {
    ByHand();
    auto w = Start();
    ApplyCode(*w, 1049);  // Russian
    EXPECT_FALSE(Shown(*w, "Memo2"));
    EXPECT_TRUE(Shown(*w, "LanguageImage"));
    EXPECT_EQ(w->LanguageImage->geometry().top(), kPictureTop);
    EXPECT_EQ(w->LanguageImage->picture(), ":/lang/Russian.jpg");

    Choose(*w, 2);  // Arabic: the strip's own picture at its own place
    EXPECT_TRUE(Shown(*w, "LanguageImage"));
    EXPECT_EQ(w->LanguageImage->geometry(), QRect(5, kStripTop, 484, 60));
    EXPECT_EQ(w->LanguageImage->picture(), kArabicPicture);

    ApplyCode(*w, 1049);
    Choose(*w, 12);  // Dutch
    EXPECT_FALSE(Shown(*w, "LanguageImage"));
    EXPECT_TRUE(Shown(*w, "Memo2"));
    EXPECT_EQ(Line(*w, 0), QString::fromUtf8(Table()[12].text[0]));
    EXPECT_EQ(TextOf(*w, "t1"), "Opties");
}

TEST_F(LanguageTest, FullTranslationsSetTheirOwnRows) {
    ByHand();
    auto w = Start();
    ApplyCode(*w, 1033);
    const PageAddresses english = w->Addresses;
    const QString project1 = w->Button5->text(), project2 = w->Button11->text();

    ApplyCode(*w, 1036);
    EXPECT_EQ(w->Button17->text(), "Mise à jour...");
    EXPECT_EQ(w->Button2->text(), "Licence...");
    EXPECT_EQ(TextOf(*w, "TabSheet5"), "Aider");
    EXPECT_EQ(TextOf(*w, "TabSheet1"), "Interface");
    EXPECT_EQ(w->GroupBox3->title(), " Général  ");
    EXPECT_TRUE(Shown(*w, "Image31"));
    EXPECT_NE(w->Addresses.project2, english.project2);
    EXPECT_EQ(w->Addresses.product, english.product);

    ApplyCode(*w, 4103);
    EXPECT_EQ(w->Button17->text(), "Update...");
    EXPECT_EQ(w->StaticText1->text(), "Wie entpacke ich meine RAR-Datei mit Tarnwick?");
    EXPECT_EQ(w->GroupBox3->title(), " Allgemein  ");
    EXPECT_TRUE(Shown(*w, "Image12"));
    EXPECT_TRUE(Shown(*w, "Image4"));
    EXPECT_FALSE(Shown(*w, "Image31"));
    EXPECT_FALSE(Shown(*w, "Image6"));
    for (const QString& address :
         {w->Addresses.product, w->Addresses.faq, w->Addresses.update, w->Addresses.donate,
          w->Addresses.home, w->Addresses.apps, w->Addresses.books, w->Addresses.projects,
          w->Addresses.project1, w->Addresses.project2})
        EXPECT_TRUE(address.contains("/de/")) << address.toStdString();
    EXPECT_TRUE(w->Addresses.update.endsWith("?UID=240"));

    ApplyCode(*w, 1034);
    EXPECT_EQ(w->Button3->text(), "Free Apps...");
    EXPECT_EQ(w->Button9->text(), "Free eBooks...");
    EXPECT_EQ(w->Button5->text(), project1);
    EXPECT_EQ(w->Button11->text(), project2);
    EXPECT_EQ(TextOf(*w, "TabSheet2"), "About");
    EXPECT_EQ(w->StaticText1->text(), "¿Como descomprimir archivos en formato RAR con Tarnwick?");
    EXPECT_EQ(w->Addresses.update, english.update);
}

// Whatever came before, a language looks the same as on a fresh window.
TEST_F(LanguageTest, NothingOfThePreviousLanguageStays) {
    ByHand();
    auto w = Start();
    for (int index = 0; index < kLanguageCount; ++index) {
        const Language& l = Table()[static_cast<std::size_t>(index)];
        auto fresh = Start();
        ApplyCode(*fresh, l.code);
        const QStringList direct = Snapshot(*fresh);
        for (std::int32_t before : {1031, 1036, 1034, 1049, 1025}) {
            ApplyCode(*w, before);
            Choose(*w, index);
            const QStringList switched = Snapshot(*w);
            QStringList differences;
            for (const QString& item : switched)
                if (!direct.contains(item)) differences << "switched: " + item;
            for (const QString& item : direct)
                if (!switched.contains(item)) differences << "fresh:    " + item;
            ASSERT_TRUE(differences.isEmpty()) << "after " << before << ", " << l.name << ":\n"
                                               << differences.join('\n').toStdString();
        }
    }
}

TEST_F(LanguageTest, ClearingAutomaticDetectionKeepsTheLanguage) {
    SetInstallerValue(QSettings::SystemScope, "1031");
    auto w = Start();
    EXPECT_EQ(TextOf(*w, "t1"), "Optionen");
    EXPECT_FALSE(w->LanguageCombo->isEnabled());

    w->CheckBox5->setChecked(false);
    EXPECT_EQ(w->InterfaceLanguage, 1031);
    EXPECT_EQ(TextOf(*w, "t1"), "Optionen");
    EXPECT_TRUE(w->LanguageCombo->isEnabled());
    EXPECT_FALSE(settings::Store(folder).exists(settings::kAutoLang));
    EXPECT_FALSE(settings::Store(folder).exists(settings::kLanguage));

    // The next start has neither file: design texts, no selection, English dialogs.
    w = Start();
    EXPECT_EQ(w->InterfaceLanguage, 0);
    EXPECT_EQ(w->LanguageCombo->currentIndex(), -1);
    EXPECT_EQ(TextOf(*w, "t1"), "Options");
    EXPECT_EQ(w->StaticText3->text(), "--> Click \"Unrar...\", select your RAR file and enjoy...");

    // Ticking it again applies the detected language at once.
    w->CheckBox5->setChecked(true);
    EXPECT_EQ(w->InterfaceLanguage, 1031);
    EXPECT_EQ(w->LanguageCombo->currentText(), "German");
    EXPECT_FALSE(w->LanguageCombo->isEnabled());
}

TEST_F(LanguageTest, ProgramSelectionIsNoHandChoice) {
    ByHand();
    auto w = Start();
    int changes = 0;
    QObject::connect(w->LanguageCombo, &QComboBox::currentIndexChanged, [&] { ++changes; });
    ApplyCode(*w, 1043);
    EXPECT_EQ(w->LanguageCombo->currentText(), "Dutch");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(w->LanguageCombo->count(), 55);
    EXPECT_EQ(w->LanguageCombo->maxVisibleItems(), 19);
    EXPECT_FALSE(settings::Store(folder).exists(settings::kLanguage));
}

}  // namespace
