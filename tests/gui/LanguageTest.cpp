// The interface language: choosing it (installer value, hand choice,
// automatic detection on and off) and applying it to the main window.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <memory>

#include "settings/Settings.h"
#include "support/TempDir.h"
#include "ui/Languages.h"
#include "ui/Pictures.h"

// Readable QStrings in failure messages.
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace languages;
using testing_support::TempDir;

namespace {

const QString kKey = QString::fromLatin1(kInstallerValue);

// A window with the main window's translated controls under their names.
std::unique_ptr<QWidget> MakeMainWindow() {
    auto window = std::make_unique<QWidget>();
    window->setObjectName("frmConfig");
    window->setFont(QFont("MS Sans Serif", 8));
    auto* pages = new QTabWidget(window.get());
    pages->setObjectName("PageControl1");
    auto page = [&](const char* name, const char* caption) {
        auto* p = new QWidget;
        p->setObjectName(name);
        pages->addTab(p, caption);
        return p;
    };
    QWidget* t3 = page("t3", "Tarnwick");
    auto* memo = new QPlainTextEdit(t3);
    memo->setObjectName("Memo2");
    memo->setGeometry(5, 256, 484, 60);
    auto* strip = new QLabel(t3);
    strip->setObjectName("LanguageImage");
    strip->setGeometry(5, 256, 484, 60);
    QWidget* t1 = page("t1", "Options");
    QWidget* sheet1 = page("TabSheet1", "Interface");
    QWidget* sheet2 = page("TabSheet2", "About");
    QWidget* sheet3 = page("TabSheet3", "Author");
    QWidget* sheet4 = page("TabSheet4", "More");
    QWidget* sheet5 = page("TabSheet5", "Help");
    auto add = [](QWidget* w, QWidget* parent, const char* name) {
        w->setParent(parent);
        w->setObjectName(name);
    };
    for (const char* g : {"GroupBox1", "GroupBox2"}) add(new QGroupBox, t1, g);
    for (const char* g : {"GroupBox3", "GroupBox4"}) add(new QGroupBox, sheet1, g);
    for (const char* c : {"CheckBox4", "CheckBox8", "CheckBox10", "CheckBox3", "CheckBox11"})
        add(new QCheckBox, t1, c);
    for (const char* c : {"CheckBox5", "CheckBox12", "CheckBox2", "CheckBox1", "CheckBox7",
                          "CheckBox13", "CheckBox9"})
        add(new QCheckBox, sheet1, c);
    for (const char* r : {"RadioButton1", "RadioButton2"}) add(new QRadioButton, t1, r);
    for (const char* b : {"Button10", "Button7", "Button4"}) add(new QPushButton, t1, b);
    for (const char* b : {"Button17", "Button2", "Button19"}) add(new QPushButton, sheet2, b);
    for (const char* b : {"Button3", "Button9", "Button6"}) add(new QPushButton, sheet3, b);
    for (const char* b : {"Button5", "Button11", "Button8"}) add(new QPushButton, sheet4, b);
    for (const char* b : {"Button12"}) add(new QPushButton, sheet5, b);
    for (const char* l : {"StaticText1", "StaticText3", "StaticText6", "StaticText7", "StaticText8",
                          "StaticText4", "StaticText9"})
        add(new QLabel, sheet5, l);
    for (const char* i : {"Image12", "Image31"}) add(new QLabel, sheet3, i);
    for (const char* i : {"Image4", "Image6"}) add(new QLabel, sheet4, i);
    auto* list = new QComboBox(sheet1);
    list->setObjectName("LanguageCombo");
    FillList(*list);
    return window;
}

QString TextOf(QWidget& window, const char* name) {
    QWidget* w = Control(window, name);
    if (!w) return "<missing>";
    if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget()
                                                                 : nullptr))
        if (tabs->indexOf(w) >= 0) return tabs->tabText(tabs->indexOf(w));
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return m->toPlainText();
    return "<unknown>";
}

QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }
QImage Rgb(const QPixmap& pixmap) { return Rgb(pixmap.toImage()); }

bool Shown(QWidget& window, const char* name) {
    QWidget* w = Control(window, name);
    return w && !w->isHidden();
}

// Everything a language application may change, for comparing two windows.
QStringList Snapshot(QWidget& window, const PageAddresses& a) {
    QStringList out;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const QByteArray name = w->objectName().toUtf8();
        if (name.isEmpty() || name.startsWith("qt_")) continue;
        out << QString("%1=%2 shown=%3")
                   .arg(w->objectName(), TextOf(window, name.constData()))
                   .arg(!w->isHidden());
    }
    auto* strip = qobject_cast<QLabel*>(Control(window, "LanguageImage"));
    const QImage picture = strip->pixmap().toImage();
    out << QString("strip top=%1 h=%2 picture=%3")
               .arg(strip->y())
               .arg(strip->height())
               .arg(qHash(QByteArray(reinterpret_cast<const char*>(picture.constBits()),
                                     picture.sizeInBytes())));
    auto* list = qobject_cast<QComboBox*>(Control(window, "LanguageCombo"));
    out << QString("list=%1 enabled=%2").arg(list->currentIndex()).arg(list->isEnabled());
    out << a.product << a.faq << a.update << a.donate << a.home << a.apps << a.books << a.projects
        << a.project1 << a.project2;
    out.sort();
    return out;
}

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = settingsDir.path() + "/";
        machineDir = machineRoot.path();
        qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(machineDir));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(userRoot.path()));
        window = MakeMainWindow();
    }
    void TearDown() override {
        qunsetenv("XDG_CONFIG_DIRS");
        qunsetenv("XDG_CONFIG_HOME");
    }

    MainWindow Target() { return {*window, folder, language, addresses}; }
    void SetAutoLang(bool on) { settings::Store(folder).setFlag(settings::kAutoLang, on); }
    // The installer's records, where they lie on this system.
    QString InstallerFile(QSettings::Scope scope) {
        const std::string root = scope == QSettings::SystemScope ? machineDir : userRoot.path();
        return QString::fromStdString(root) + "/Ostrel/Tarnwick - Lumox.conf";
    }
    void SetInstallerValue(QSettings::Scope scope, const QString& value) {
        QSettings s(InstallerFile(scope), QSettings::IniFormat);
        s.setValue(kKey, value);
        s.sync();
        ASSERT_EQ(s.status(), QSettings::NoError);
    }
    QVariant InstallerValue(QSettings::Scope scope) {
        return QSettings(InstallerFile(scope), QSettings::IniFormat).value(kKey);
    }
    int ListIndex() {
        return qobject_cast<QComboBox*>(Control(*window, "LanguageCombo"))->currentIndex();
    }
    QString Line(int i) { return TextOf(*window, "Memo2").split('\n').value(i); }
    // Applies `code` as a hand choice through the list would.
    void ApplyCode(std::int32_t code) {
        language = code;
        Apply(Target(), true);
    }

    TempDir settingsDir, machineRoot, userRoot;
    std::string folder, machineDir;
    std::int32_t language = 0;
    PageAddresses addresses;
    std::unique_ptr<QWidget> window;
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

TEST_F(LanguageTest, TextLinesFitTheInstructionMemo) {
    QWidget* memo = Control(*window, "Memo2");
    const QFontMetrics metrics(memo->font());
    for (const Language& l : Table()) {
        if (l.lines == Lines::Picture) continue;
        for (const char* line : l.text)
            EXPECT_LE(metrics.horizontalAdvance(QString::fromUtf8(line)), 484 - 8)
                << l.name << ": " << line;
    }
}

TEST_F(LanguageTest, FirstStartWithoutInstallerValueIsEnglishAndWritesNothing) {
    SetAutoLang(true);
    Apply(Target(), true);
    EXPECT_EQ(language, 1033);
    EXPECT_EQ(ListIndex(), kEnglishIndex);
    EXPECT_EQ(Line(0), "To unrar a file choose one of the three following methods:");
    EXPECT_EQ(TextOf(*window, "t1"), "Options");
    EXPECT_FALSE(InstallerValue(QSettings::SystemScope).isValid());
    EXPECT_FALSE(testing_support::PathExists(machineDir + "/Ostrel"));
}

TEST_F(LanguageTest, UserValueIsCopiedToMachineButEnglishNeverIs) {
    SetAutoLang(true);
    SetInstallerValue(QSettings::UserScope, "1031");
    Apply(Target(), false);
    EXPECT_EQ(language, 1031);
    EXPECT_EQ(ListIndex(), 20);
    EXPECT_EQ(TextOf(*window, "CheckBox5"), "Sprache automatisch erkennen");
    EXPECT_EQ(InstallerValue(QSettings::SystemScope).toString(), "1031");
    EXPECT_EQ(DialogLanguageOf(language), DialogLanguage::German);

    TempDir otherMachine;
    machineDir = otherMachine.path();
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(machineDir));
    SetInstallerValue(QSettings::UserScope, "1033");
    EXPECT_EQ(DetectedLanguage(), 1033);
    EXPECT_FALSE(InstallerValue(QSettings::SystemScope).isValid());
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
}

TEST_F(LanguageTest, UnwritableMachineCopyStillAppliesTheLanguage) {
    // The machine folder is a plain file: nothing can be created below it.
    const std::string blocked = machineDir + "/blocked";
    testing_support::WriteFile(blocked, "x");
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(blocked));
    SetAutoLang(true);
    SetInstallerValue(QSettings::UserScope, "3082");
    Apply(Target(), false);
    EXPECT_EQ(language, 3082);
    EXPECT_EQ(ListIndex(), 47);
    EXPECT_EQ(TextOf(*window, "t1"), "Opciones");
}

TEST_F(LanguageTest, AcceptedCodesSelectTheirEntry) {
    struct Case {
        const char* value;
        int index;
        const char* t1;
    };
    const Case cases[] = {{"4103", 20, "Optionen"},     {"3082", 47, "Opciones"},
                          {"1069", 47, "Opciones"},     {"2070", 40, "Opções"},
                          {"2068", 37, "Alternativer"}, {" 15 ", 25, "Valkostir"}};
    SetAutoLang(true);
    for (const Case& c : cases) {
        SetInstallerValue(QSettings::SystemScope, c.value);
        Apply(Target(), false);
        EXPECT_EQ(ListIndex(), c.index) << c.value;
        EXPECT_EQ(TextOf(*window, "t1"), QString::fromUtf8(c.t1)) << c.value;
    }
    // Another German locale: English everywhere, the selection left as it was.
    SetInstallerValue(QSettings::SystemScope, "2055");
    Apply(Target(), false);
    EXPECT_EQ(language, 2055);
    EXPECT_EQ(ListIndex(), 25);
    EXPECT_EQ(TextOf(*window, "t1"), "Options");
    EXPECT_EQ(TextOf(*window, "GroupBox3"), " General  ");
    EXPECT_EQ(DialogLanguageOf(language), DialogLanguage::English);
}

TEST_F(LanguageTest, HandChoiceStoresTheEntryCodeForTheNextStart) {
    ChooseFromList(Target(), 25, true);  // Icelandic
    EXPECT_EQ(language, 15);
    EXPECT_EQ(testing_support::ReadFile(folder + settings::kLanguage), "15\r\n");

    // The next start: a new window, the code read back from the file.
    window = MakeMainWindow();
    language = ParseCode(QString::fromStdString(
        settings::Store(folder).readValue(settings::kLanguage).value_or("1033")));
    Apply(Target(), true);
    EXPECT_EQ(ListIndex(), 25);
    EXPECT_EQ(TextOf(*window, "t1"), "Valkostir");
    EXPECT_EQ(Line(0), QString::fromUtf8(Table()[25].text[0]));

    // Out of range and automatic mode: nothing stored, nothing applied.
    ChooseFromList(Target(), 55, true);
    ChooseFromList(Target(), -1, true);
    EXPECT_EQ(language, 15);
    SetAutoLang(true);
    ChooseFromList(Target(), 20, true);
    EXPECT_EQ(language, 15);
    EXPECT_EQ(testing_support::ReadFile(folder + settings::kLanguage), "15\r\n");
}

TEST_F(LanguageTest, LanguageFileIsIgnoredInAutomaticMode) {
    testing_support::WriteFile(folder + settings::kLanguage, "1036\r\n");
    SetAutoLang(true);
    language = 1036;
    Apply(Target(), true);
    EXPECT_EQ(language, 1033);
    EXPECT_EQ(TextOf(*window, "Button2"), "License...");
    EXPECT_EQ(testing_support::ReadFile(folder + settings::kLanguage), "1036\r\n");
}

TEST_F(LanguageTest, PictureStripFollowsThePictureLanguages) {
    auto* strip = qobject_cast<QLabel*>(Control(*window, "LanguageImage"));
    ApplyCode(1049);  // Russian
    EXPECT_FALSE(Shown(*window, "Memo2"));
    EXPECT_TRUE(Shown(*window, "LanguageImage"));
    EXPECT_EQ(strip->y(), kPictureTop);
    EXPECT_EQ(Rgb(strip->pixmap()), Rgb(pictures::Image(":/lang/Russian.jpg")));

    ApplyCode(1025);  // Arabic: the strip's own picture at its own place
    EXPECT_TRUE(Shown(*window, "LanguageImage"));
    EXPECT_EQ(strip->y(), kStripTop);
    EXPECT_EQ(Rgb(strip->pixmap()), Rgb(pictures::Image(kArabicPicture)));
    EXPECT_EQ(strip->geometry().bottom(), 256 + 60 - 1);

    ApplyCode(1049);
    ApplyCode(1043);  // Dutch
    EXPECT_FALSE(Shown(*window, "LanguageImage"));
    EXPECT_TRUE(Shown(*window, "Memo2"));
    EXPECT_EQ(Line(0), QString::fromUtf8(Table()[12].text[0]));
    EXPECT_EQ(TextOf(*window, "t1"), "Opties");
}

TEST_F(LanguageTest, FullTranslationsSetTheirOwnRows) {
    ApplyCode(1036);
    EXPECT_EQ(TextOf(*window, "Button17"), "Mise à jour...");
    EXPECT_EQ(TextOf(*window, "Button2"), "Licence...");
    EXPECT_EQ(TextOf(*window, "TabSheet5"), "Aider");
    EXPECT_EQ(TextOf(*window, "TabSheet1"), "Interface");
    EXPECT_EQ(TextOf(*window, "GroupBox3"), " Général  ");
    EXPECT_TRUE(Shown(*window, "Image31"));
    EXPECT_NE(addresses.project2, AddressesFor(1033).project2);
    EXPECT_EQ(addresses.product, AddressesFor(1033).product);

    ApplyCode(4103);
    EXPECT_EQ(TextOf(*window, "Button17"), "Update...");
    EXPECT_EQ(TextOf(*window, "StaticText1"), "Wie entpacke ich meine RAR-Datei mit Tarnwick?");
    EXPECT_EQ(TextOf(*window, "GroupBox3"), " Allgemein  ");
    EXPECT_TRUE(Shown(*window, "Image12"));
    EXPECT_TRUE(Shown(*window, "Image4"));
    EXPECT_FALSE(Shown(*window, "Image31"));
    EXPECT_FALSE(Shown(*window, "Image6"));
    EXPECT_TRUE(addresses.update.endsWith("UID=240"));
    EXPECT_NE(addresses.update, AddressesFor(1033).update);

    ApplyCode(1033);
    const QString project1 = TextOf(*window, "Button5"), project2 = TextOf(*window, "Button11");
    ApplyCode(1034);
    EXPECT_EQ(TextOf(*window, "Button3"), "Free Apps...");
    EXPECT_EQ(TextOf(*window, "Button5"), project1);
    EXPECT_EQ(TextOf(*window, "Button11"), project2);
    EXPECT_EQ(TextOf(*window, "TabSheet2"), "About");
    EXPECT_EQ(TextOf(*window, "StaticText1"),
              "¿Como descomprimir archivos en formato RAR con Tarnwick?");
    EXPECT_EQ(addresses.update, AddressesFor(1033).update);
}

// Whatever came before, a language looks the same as on a fresh window.
TEST_F(LanguageTest, NothingOfThePreviousLanguageStays) {
    for (std::int32_t before : {1031, 1036, 1034, 1049, 1025}) {
        for (const Language& l : Table()) {
            ApplyCode(before);
            ApplyCode(l.code);
            const QStringList switched = Snapshot(*window, addresses);

            auto fresh = MakeMainWindow();
            std::int32_t code = l.code;
            PageAddresses freshAddresses;
            Apply({*fresh, folder, code, freshAddresses}, true);
            const QStringList direct = Snapshot(*fresh, freshAddresses);
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
    SetAutoLang(true);
    SetInstallerValue(QSettings::SystemScope, "1031");
    SetAutomatic(Target(), true, false);
    auto* list = qobject_cast<QComboBox*>(Control(*window, "LanguageCombo"));
    EXPECT_FALSE(list->isEnabled());
    EXPECT_EQ(TextOf(*window, "t1"), "Optionen");

    SetAutomatic(Target(), false, false);
    EXPECT_EQ(language, 1031);
    EXPECT_EQ(TextOf(*window, "t1"), "Optionen");
    EXPECT_TRUE(list->isEnabled());
    EXPECT_FALSE(settings::Store(folder).exists(settings::kAutoLang));
    EXPECT_FALSE(settings::Store(folder).exists(settings::kLanguage));
}

TEST_F(LanguageTest, ProgramSelectionIsNoHandChoice) {
    auto* list = qobject_cast<QComboBox*>(Control(*window, "LanguageCombo"));
    int changes = 0;
    QObject::connect(list, &QComboBox::currentIndexChanged, [&] { ++changes; });
    ApplyCode(1043);
    EXPECT_EQ(list->currentIndex(), 12);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(list->count(), 55);
    EXPECT_EQ(list->maxVisibleItems(), 19);
}

}  // namespace
