// The main window driven offscreen: the settings load, the option controls,
// the links, the start-up timer and the start-and-wait loop against real
// helper processes that hold a progress-window lock.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Version.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/ProgressLock.h"
#include "settings/Settings.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "ui/About.h"
#include "ui/Dialogs.h"
#include "ui/Pictures.h"

using testing_support::PathExists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

using testing_support::ScopedEnv;

class MainWindow : public ::testing::Test {
protected:
    TempDir home;
    TempDir runtime;
    ScopedEnv envHome{"HOME", home.path()};
    ScopedEnv envConfig{"XDG_CONFIG_HOME", home / ".config"};
    ScopedEnv envRuntime{"XDG_RUNTIME_DIR", runtime.path()};
    std::string desktop = home / "Desktop";
    std::string folder = home / ".config/Ostrel/Tarnwick/";
    std::vector<QString> opened;

    void SetUp() override {
        ::mkdir(desktop.c_str(), 0755);
        dialogs::InstallCoreMessageHandler();
        dialogs::RecordMessages(true);
        dialogs::TakeRecordedMessages();
    }
    void TearDown() override {
        dialogs::RecordMessages(false);
        dialogs::SetNextFileNames({});
        (void)dialogs::GetOpenFileName(nullptr, {}, {}, {});  // drop an unused primed answer
    }

    // The settings folder with exactly these files (name -> content).
    void prepare(const std::vector<std::pair<std::string, std::string>>& files) {
        ASSERT_TRUE(platform::ForceDirectories(folder));
        for (const auto& [name, content] : files) WriteFile(folder + name, content);
    }

    std::unique_ptr<TfrmConfig> open() {
        auto w = std::make_unique<TfrmConfig>();
        w->Timer1->stop();
        w->StartedWithArguments = false;
        w->OpenUrl = [this](const QUrl& url) {
            opened.push_back(url.isLocalFile() ? url.toLocalFile() : url.toString());
        };
        return w;
    }

    bool has(const std::string& name) { return platform::FileExists(folder + name); }
    std::string value(const std::string& name) {
        return settings::ReadFirstLine(folder + name).value_or("<missing>");
    }
    std::vector<std::string> filesInFolder() {
        std::vector<std::string> names;
        for (const char* n :
             {settings::kAutoLang, settings::kButton, settings::kDialog, settings::kFirstRun,
              settings::kFolder, settings::kLanguage, settings::kListName, settings::kOpenDir,
              settings::kPassList, settings::kPassword, settings::kReplace, settings::kSilent,
              settings::kStayTop, settings::kSubDir, settings::kTryList, settings::kTryName,
              settings::kWizard})
            if (PathExists(folder + n)) names.push_back(n);
        return names;
    }
    QStringList messageCaptions() {
        QStringList captions;
        for (const auto& m : dialogs::TakeRecordedMessages()) captions << m.caption;
        return captions;
    }
};

// A read of this file fails although it exists and opens (even for root).
void makeUnreadable(const std::string& path) {
    ASSERT_EQ(0, ::symlink("/proc/self/mem", path.c_str()));
}

// ---------------------------------------------------------------- settings load

TEST_F(MainWindow, FirstStartCreatesTheSevenFlagsAndShowsThem) {
    auto w = open();
    std::vector<std::string> expected = {"autolang.txt", "button.txt",  "firstrun.txt",
                                         "opendir.txt",  "staytop.txt", "subdir.txt",
                                         "wizard.txt"};
    EXPECT_EQ(expected, filesInFolder());
    EXPECT_TRUE(messageCaptions().isEmpty());
    EXPECT_EQ(folder, w->SettingsFolder);

    EXPECT_FALSE(w->Button1->isHidden());
    EXPECT_TRUE(w->CheckBox9->isChecked());
    EXPECT_TRUE(w->CheckBox3->isChecked());
    EXPECT_TRUE(w->CheckBox11->isChecked());
    EXPECT_TRUE(w->CheckBox5->isChecked());
    EXPECT_TRUE(w->CheckBox12->isChecked());
    EXPECT_TRUE(w->CheckBox2->isChecked());
    EXPECT_TRUE(w->CheckBox1->isChecked()) << "the welcome option shows firstrun.txt";
    EXPECT_FALSE(w->CheckBox7->isChecked());
    EXPECT_FALSE(w->CheckBox4->isChecked());
    EXPECT_FALSE(w->PasswordEdit->isEnabled());
    EXPECT_FALSE(w->CheckBox8->isChecked());
    EXPECT_FALSE(w->Button10->isEnabled());
    EXPECT_FALSE(w->Button7->isEnabled());
    EXPECT_TRUE(w->RadioButton1->isChecked());
    EXPECT_EQ(QString::fromStdString(desktop), w->StaticText13->text());
    EXPECT_EQ(w->StaticText13->text(), w->StaticText13->toolTip());
    EXPECT_FALSE(w->StaticText13->isEnabled());
    EXPECT_FALSE(w->Button4->isEnabled());

    EXPECT_EQ(1033, w->InterfaceLanguage);
    EXPECT_FALSE(w->LanguageCombo->isEnabled());
    EXPECT_EQ("English", w->LanguageCombo->currentText());
    EXPECT_TRUE(w->Memo2->toPlainText().contains("choose \"Extract!\" in the context menu"));

    EXPECT_FALSE(w->windowFlags() & Qt::WindowStaysOnTopHint)
        << "the flag is among the defaults; it takes effect from the next start";
    auto second = open();
    EXPECT_TRUE(second->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(MainWindow, UncreatableSettingsFolderIsReportedAndTheWindowStillOpens) {
    WriteFile(home / "config-file", "not a folder");
    ScopedEnv config("XDG_CONFIG_HOME", home / "config-file");
    auto w = open();
    // Flags that cannot be there are off: clearing them is no "Error 11".
    EXPECT_EQ(QStringList({"Error 9"}), messageCaptions());
    EXPECT_TRUE(w->RadioButton1->isChecked());
    EXPECT_FALSE(w->CheckBox9->isChecked());
}

TEST_F(MainWindow, EveryControlCarriesItsName) {
    auto w = open();
    const char* const names[] = {"PageControl1", "t3",           "t1",
                                 "TabSheet1",    "TabSheet2",    "TabSheet3",
                                 "TabSheet4",    "TabSheet5",    "Timer1",
                                 "Image2",       "Memo2",        "LanguageImage",
                                 "Button1",      "GroupBox1",    "CheckBox4",
                                 "PasswordEdit", "CheckBox8",    "Button10",
                                 "Button7",      "CheckBox10",   "GroupBox2",
                                 "RadioButton1", "RadioButton2", "StaticText13",
                                 "Button4",      "CheckBox3",    "CheckBox11",
                                 "GroupBox3",    "CheckBox5",    "LanguageCombo",
                                 "CheckBox12",   "CheckBox2",    "GroupBox4",
                                 "CheckBox1",    "CheckBox7",    "CheckBox13",
                                 "CheckBox9",    "Image23",      "Image11",
                                 "Image25",      "Image17",      "Image19",
                                 "Image18",      "Image16",      "Image26",
                                 "Image29",      "Image21",      "Image28",
                                 "Image20",      "Image30",      "Image22",
                                 "Image10",      "Image14",      "StaticText2",
                                 "StaticText5",  "Memo1",        "Button17",
                                 "Button2",      "Button19",     "Image12",
                                 "Image31",      "Image5",       "Image1",
                                 "Image3",       "Button3",      "Button9",
                                 "Button6",      "Image6",       "Image4",
                                 "Image7",       "Button5",      "Button11",
                                 "Button8",      "Image24",      "StaticText1",
                                 "StaticText3",  "StaticText6",  "StaticText7",
                                 "StaticText8",  "StaticText4",  "StaticText9",
                                 "Button12",     "Button13",     "Button14"};
    for (const char* name : names) {
        QList<QObject*> found = w->findChildren<QObject*>(name);
        EXPECT_EQ(1, found.size()) << name;
    }
    for (QWidget* group : {w->GroupBox1, w->GroupBox2, w->GroupBox3, w->GroupBox4})
        for (QWidget* control : group->findChildren<QWidget*>())
            EXPECT_EQ(w->font().family(), control->font().family())
                << control->objectName().toStdString() << " lost the window's font";
    EXPECT_EQ(55, w->LanguageCombo->count());
    EXPECT_EQ(19, w->LanguageCombo->maxVisibleItems());
}

TEST_F(MainWindow, WindowShapeAndPictures) {
    auto w = open();
    EXPECT_EQ(QSize(513, 363), w->size());
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ("Tarnwick", w->windowTitle());
    // The About page's caption and the project (package, --version) share one version.
    EXPECT_STREQ("2.40", TARNWICK_VERSION);
    EXPECT_EQ("T a r n w i c k   2 . 4 0", w->StaticText2->text());
    QStringList tabs;
    for (int i = 0; i < w->PageControl1->count(); ++i) tabs << w->PageControl1->tabText(i);
    EXPECT_EQ(QStringList({"Tarnwick", "Options", "Interface", "About", "Author", "More", "Help"}),
              tabs);
    EXPECT_EQ(QSize(484, 248), w->Image2->pixmap().size()) << "the product picture is at hand";

    EXPECT_FALSE(w->Image24->loaded()) << "a picture is decoded when first shown";
    w->show();
    EXPECT_FALSE(w->Image24->loaded());
    w->PageControl1->setCurrentWidget(w->TabSheet5);
    EXPECT_TRUE(w->Image24->loaded());
    EXPECT_EQ(QSize(463, 141), w->Image24->pixmap().size());
    w->PageControl1->setCurrentWidget(w->t1);
    EXPECT_EQ(QSize(18, 18), w->Image23->pixmap().size());
    w->hide();
}

// Screens above one device pixel per point get every picture but the language
// strips drawn at twice the size, shown at the same size in points.
TEST(Pictures, TheTwiceSizedPictureServesRatiosAboveOne) {
    int pairs = 0;
    for (QDirIterator it(QStringLiteral(":/pictures")); it.hasNext();) {
        const QString plain = it.next().remove(QLatin1String("@2x"));
        if (plain == it.filePath()) continue;
        ++pairs;
        const QPixmap one = pictures::Pixmap(plain, 1);
        for (const qreal ratio : {1.5, 2.0}) {
            const QPixmap shown = pictures::Pixmap(plain, ratio);
            EXPECT_EQ(one.size() * 2, shown.size()) << plain.toStdString();
            EXPECT_EQ(one.deviceIndependentSize(), shown.deviceIndependentSize());
        }
    }
    EXPECT_EQ(24, pairs);
    EXPECT_EQ(1.0, pictures::Pixmap(QStringLiteral(":/lang/Arabic.jpg"), 2).devicePixelRatio());
}

// The window icon is read when a window first wants it, at each size from its
// own file; a size between two files comes from the larger.
TEST(Pictures, TheWindowIconServesEverySizeFromItsFiles) {
    const QIcon icon = pictures::FileIcon(QStringLiteral(":/icons/tarnwick_%1.png"), {16, 32, 256});
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ((QList<QSize>{{16, 16}, {32, 32}, {256, 256}}), icon.availableSizes());
    for (const int size : {16, 32, 256})
        EXPECT_EQ(QSize(size, size), icon.pixmap(size).size()) << size;
    EXPECT_EQ(QSize(64, 64), icon.pixmap(64).size());
    EXPECT_EQ(QSize(64, 64), icon.pixmap(QSize(32, 32), 2.0).size());
    EXPECT_TRUE(
        pictures::FileIcon(QStringLiteral(":/icons/none_%1.png"), {16}).pixmap(16).isNull());
}

TEST_F(MainWindow, FlagFilesWithAnyContentAreOnFoldersAreOff) {
    prepare({{"replace.txt", ""}, {"tryname.txt", "whatever\nmore"}});
    ASSERT_EQ(0, ::mkdir((folder + "wizard.txt").c_str(), 0755));
    ASSERT_EQ(0, ::mkdir((folder + "button.txt").c_str(), 0755));
    ASSERT_EQ(0, ::mkdir((folder + "folder.txt").c_str(), 0755));
    auto w = open();
    EXPECT_TRUE(w->RadioButton1->isChecked());
    w->Image17Click();  // the default-folder option, chosen again by the user
    EXPECT_TRUE(messageCaptions().isEmpty()) << "a folder named like a flag file is off";
    EXPECT_TRUE(w->CheckBox13->isChecked());
    EXPECT_TRUE(w->CheckBox10->isChecked());
    EXPECT_FALSE(w->CheckBox9->isChecked());
    EXPECT_FALSE(w->CheckBox2->isChecked());
    EXPECT_TRUE(w->Button1->isHidden());
    WriteFile(folder + "tryname.txt", "whatever\n");
    w->Memo3Click();
    EXPECT_EQ("whatever", value("tryname.txt")) << "an unchanged option is not rewritten";
}

TEST_F(MainWindow, PasswordPairOnLoad) {
    {
        SCOPED_TRACE("both files: the box shows silent.txt, password.txt survives");
        prepare({{"password.txt", "kept\r\n"}, {"silent.txt", "shown\r\n"}});
        auto w = open();
        EXPECT_TRUE(w->CheckBox4->isChecked());
        EXPECT_TRUE(w->PasswordEdit->isEnabled());
        EXPECT_EQ("shown", w->PasswordEdit->text());
        EXPECT_EQ("kept", value("password.txt"));
        EXPECT_EQ("shown", value("silent.txt"));
    }
    {
        SCOPED_TRACE("password.txt alone: option off, the password kept");
        ::unlink((folder + "silent.txt").c_str());
        auto w = open();
        EXPECT_FALSE(w->CheckBox4->isChecked());
        EXPECT_EQ("kept", w->PasswordEdit->text());
        EXPECT_EQ("kept", value("password.txt"));
        EXPECT_FALSE(has("silent.txt"));
    }
    {
        SCOPED_TRACE("an empty silent.txt removes both; the option shows off next time");
        WriteFile(folder + "silent.txt", "\r\n");
        auto w = open();
        EXPECT_FALSE(has("silent.txt"));
        EXPECT_FALSE(has("password.txt"));
        auto again = open();
        EXPECT_FALSE(again->CheckBox4->isChecked());
    }
}

TEST_F(MainWindow, UnreadablePasswordFileIsReportedAndNothingIsLost) {
    prepare({{"password.txt", "kept\r\n"}});
    makeUnreadable(folder + "silent.txt");
    auto w = open();
    EXPECT_EQ(QStringList({"Error 10"}), messageCaptions());
    EXPECT_TRUE(w->CheckBox4->isChecked());
    EXPECT_EQ("kept", value("password.txt"));
    struct stat st;
    ASSERT_EQ(0, ::lstat((folder + "silent.txt").c_str(), &st)) << "silent.txt was deleted";
}

TEST_F(MainWindow, ReloadShowsPasswordChangedMeanwhile) {
    prepare({{"silent.txt", "one\r\n"}, {"password.txt", "old\r\n"}});
    auto w = open();
    WriteFile(folder + "silent.txt", "two\r\n");  // the password dialog of a run
    w->Memo3Click();
    EXPECT_EQ("two", w->PasswordEdit->text());
    EXPECT_EQ("two", value("silent.txt"));
    EXPECT_EQ("old", value("password.txt"));
}

TEST_F(MainWindow, OutputFolderOnLoad) {
    {
        SCOPED_TRACE("a stored folder that was deleted becomes the desktop");
        prepare({{"folder.txt", home / "gone\r\n"}});
        auto w = open();
        EXPECT_TRUE(w->RadioButton2->isChecked());
        EXPECT_EQ(QString::fromStdString(desktop), w->StaticText13->text());
        EXPECT_EQ(desktop, value("folder.txt"));
        EXPECT_TRUE(w->StaticText13->isEnabled());
        EXPECT_TRUE(w->Button4->isEnabled());
    }
    {
        SCOPED_TRACE("an existing folder is shown and kept");
        std::string out = home / "out";
        ::mkdir(out.c_str(), 0755);
        WriteFile(folder + "folder.txt", out + "\r\n");
        auto w = open();
        EXPECT_EQ(QString::fromStdString(out), w->StaticText13->text());
        EXPECT_EQ(QString::fromStdString(out), w->StaticText13->toolTip());
        EXPECT_EQ(out, value("folder.txt"));
    }
    {
        SCOPED_TRACE("an unreadable folder.txt is reported and not overwritten");
        ::unlink((folder + "folder.txt").c_str());
        makeUnreadable(folder + "folder.txt");
        auto w = open();
        EXPECT_EQ(QStringList({"Error 10"}), messageCaptions());
        EXPECT_TRUE(w->RadioButton2->isChecked());
        struct stat st;
        ASSERT_EQ(0, ::lstat((folder + "folder.txt").c_str(), &st));
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the stored setting was replaced";
    }
}

TEST_F(MainWindow, PasswordListSwitchCreatesTheListFiles) {
    prepare(
        {{"trylist.txt", ":-)\r\n"}, {"folder.txt", home / "gone\r\n"}, {"silent.txt", "\r\n"}});
    {
        // The hidden main window of an extraction run writes nothing: no list,
        // no desktop for a folder that has gone, no password pair removed.
        TfrmConfig::ExtractionRun = true;
        auto hidden = open();
        TfrmConfig::ExtractionRun = false;
        EXPECT_EQ((std::vector<std::string>{"folder.txt", "silent.txt", "trylist.txt"}),
                  filesInFolder());
        EXPECT_EQ(home / "gone", value("folder.txt"));
    }
    ::unlink((folder + "folder.txt").c_str());
    ::unlink((folder + "silent.txt").c_str());
    auto w = open();
    EXPECT_EQ(":-)\r\n", ReadFile(folder + "passlist.txt"));
    EXPECT_EQ(folder + "passlist.txt", value("listname.txt"));
    EXPECT_EQ(QString::fromStdString(folder + "passlist.txt"), w->Button10->toolTip());
    EXPECT_TRUE(w->Button10->isEnabled());
    EXPECT_TRUE(w->Button7->isEnabled());

    WriteFile(folder + "passlist.txt", "secret\r\n");
    w->CheckBox8->setChecked(false);
    w->CheckBox8->setChecked(true);
    EXPECT_EQ("secret\r\n", ReadFile(folder + "passlist.txt")) << "an existing list is kept";
    EXPECT_FALSE(w->Button10->isHidden());
}

// The load shows the files; it writes none of them (another process may be
// changing them), and bytes that are not UTF-8 stay as they are.
TEST_F(MainWindow, LoadWritesNothingAndKeepsBytesThatAreNotUtf8) {
    const std::string latinFolder = home / "dossier\xE9";
    ASSERT_EQ(0, ::mkdir(latinFolder.c_str(), 0755));
    prepare({{"silent.txt", "caf\xE9-pw\r\n"},
             {"password.txt", "mot\xE0passe\r\n"},
             {"folder.txt", latinFolder + "\r\n"},
             {"language.txt", "1031\r\n"},
             {"trylist.txt", ":-)\r\n"},
             {"passlist.txt", "one\r\n"},
             {"listname.txt", folder + "passlist.txt\r\n"},
             {"subdir.txt", ":-)\r\n"},
             {"opendir.txt", ":-)"},
             {"replace.txt", ""},
             {"tryname.txt", ":-)\r\n"},
             {"button.txt", ":-)\r\n"},
             {"wizard.txt", ":-)\r\n"}});
    struct Seen {
        ino_t inode;
        time_t mtime;
        std::string bytes;
        bool operator==(const Seen& o) const {
            return inode == o.inode && mtime == o.mtime && bytes == o.bytes;
        }
    };
    const auto look = [&] {
        std::map<std::string, Seen> seen;
        for (const auto& name : filesInFolder()) {
            struct stat st {};
            ::stat((folder + name).c_str(), &st);
            seen[name] = {st.st_ino, st.st_mtime, ReadFile(folder + name)};
        }
        return seen;
    };
    timeval old[2] = {{1000000000, 0}, {1000000000, 0}};
    for (const auto& name : filesInFolder()) ::utimes((folder + name).c_str(), old);
    const auto before = look();

    auto w = open();
    EXPECT_TRUE(look() == before) << "the load wrote a settings file";
    EXPECT_TRUE(messageCaptions().isEmpty());
    EXPECT_TRUE(w->RadioButton2->isChecked());
    EXPECT_TRUE(w->CheckBox4->isChecked());

    // Options switched by the user store the bytes that the controls show.
    w->Image23Click();
    w->Image23Click();
    w->Image19Click();
    EXPECT_EQ("caf\xE9-pw\r\n", ReadFile(folder + "silent.txt"));
    EXPECT_EQ(latinFolder + "\r\n", ReadFile(folder + "folder.txt"));
}

TEST_F(MainWindow, ASettingsMessageOpensCentredOnTheScreen) {
    prepare({});
    makeUnreadable(folder + "language.txt");
    dialogs::RecordMessages(false);
    QPoint centre;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || !box->isVisible()) return;
        centre = box->frameGeometry().center();
        box->close();
    });
    answer.start();
    auto w = open();
    answer.stop();
    dialogs::RecordMessages(true);
    ASSERT_FALSE(centre.isNull()) << "no message shown";
    const QPoint screen = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((centre - screen).manhattanLength(), 40)
        << centre.x() << "," << centre.y() << " vs " << screen.x() << "," << screen.y();
}

TEST_F(MainWindow, LanguageOnLoad) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        bool unreadable;
        std::int32_t language;
        const char* listEntry;
        bool listEnabled;
        QStringList captions;
    };
    const Case cases[] = {
        {"hand choice", {{"language.txt", "1031\r\n"}}, false, 1031, "German", true, {}},
        {"not a number", {{"language.txt", "deutsch\r\n"}}, false, 1033, "English", true, {}},
        {"unreadable", {}, true, 1033, "English", true, {"Error 10"}},
        {"ignored in automatic mode",
         {{"autolang.txt", ":-)\r\n"}, {"language.txt", "1036\r\n"}},
         false,
         1033,
         "English",
         false,
         {}},
        {"neither file", {{"wizard.txt", ":-)\r\n"}}, false, 0, "", true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::RemoveTree(home / ".config");
        prepare(c.files);
        if (c.unreadable) makeUnreadable(folder + "language.txt");
        auto w = open();
        EXPECT_EQ(c.language, w->InterfaceLanguage);
        EXPECT_EQ(c.listEntry, w->LanguageCombo->currentText().toStdString());
        EXPECT_EQ(c.listEnabled, w->LanguageCombo->isEnabled());
        EXPECT_EQ(c.captions, messageCaptions());
        EXPECT_TRUE(w->CheckBox9->isChecked() == has("wizard.txt")) << "the load went on";
        EXPECT_FALSE(has("autolang.txt") && !w->CheckBox5->isChecked());
    }
}

// ---------------------------------------------------------------- options

TEST_F(MainWindow, DefaultPasswordOption) {
    prepare({{"password.txt", "old\r\n"}});
    auto w = open();
    w->PasswordEdit->clear();
    EXPECT_FALSE(has("password.txt")) << "an empty box removes the pair";
    w->CheckBox4->setChecked(true);
    EXPECT_FALSE(has("password.txt"));
    EXPECT_FALSE(has("silent.txt"));
    auto reopened = open();
    EXPECT_FALSE(reopened->CheckBox4->isChecked());

    w->PasswordEdit->setText("abc");
    EXPECT_EQ("abc", value("silent.txt"));
    EXPECT_FALSE(has("password.txt"));
    w->CheckBox4->setChecked(false);
    EXPECT_EQ("abc", value("password.txt"));
    EXPECT_FALSE(has("silent.txt"));
    EXPECT_FALSE(w->PasswordEdit->isEnabled());
    w->CheckBox4->setChecked(true);
    EXPECT_EQ("abc", value("silent.txt"));
    EXPECT_EQ("abc", value("password.txt"));
    EXPECT_TRUE(w->PasswordEdit->isEnabled());
}

TEST_F(MainWindow, EditListOpensTheListAndRepairsAMissingOne) {
    auto w = open();
    w->CheckBox8->setChecked(true);
    w->Button10->click();
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(QString::fromStdString(folder + "passlist.txt"), opened.back());

    WriteFile(folder + "listname.txt", home / "deleted.txt\r\n");
    w->Button10->click();
    EXPECT_EQ(QString::fromStdString(folder + "passlist.txt"), opened.back());
    EXPECT_EQ(folder + "passlist.txt", value("listname.txt"));

    std::string mine = home / "mine.txt";
    WriteFile(mine, "x\r\n");
    WriteFile(folder + "listname.txt", mine + "\r\n");
    w->Button10->click();
    EXPECT_EQ(QString::fromStdString(mine), opened.back());
    EXPECT_EQ(QString::fromStdString(mine), w->Button10->toolTip());
}

TEST_F(MainWindow, ChooseListAcceptsTxtInAnyCase) {
    auto w = open();
    w->CheckBox8->setChecked(true);
    const std::string listed = folder + "passlist.txt";
    struct Case {
        std::string file;
        bool create;
        bool accepted;
    };
    const Case cases[] = {{home / "words.csv", true, false},
                          {home / "missing.txt", false, false},
                          {home / "LIST.TXT", true, true},
                          {home / "other.txt", true, true}};
    std::string expected = listed;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (c.create) WriteFile(c.file, "pw\r\n");
        dialogs::SetNextFileNames({QString::fromStdString(c.file)});
        const QString hint = w->Button10->toolTip();
        w->Button7->click();
        if (c.accepted) expected = c.file;
        EXPECT_EQ(expected, value("listname.txt"));
        if (c.accepted) {
            EXPECT_EQ(QString::fromStdString(expected), w->Button10->toolTip());
        } else {
            EXPECT_EQ(hint, w->Button10->toolTip());
        }
    }
    dialogs::SetNextFileNames({});
    w->Button7->click();
    EXPECT_EQ(expected, value("listname.txt")) << "a cancelled choice changes nothing";
    EXPECT_TRUE(messageCaptions().isEmpty());
}

// The real browse dialog: folders only, and no way to create, rename or
// delete one from it; the folder chosen in it is stored.
TEST_F(MainWindow, BrowseOffersFoldersOnlyAndNoNewFolderButton) {
    auto w = open();
    w->RadioButton2->setChecked(true);
    const std::string chosen = home / "picked";
    ::mkdir(chosen.c_str(), 0755);
    WriteFile(home / "a file.txt", "x");
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        poll.stop();
        seen = true;
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
        auto* create = dialog->findChild<QWidget*>(QStringLiteral("newFolderButton"));
        EXPECT_TRUE(create == nullptr || !create->isVisible()) << "a new-folder button is shown";
        EXPECT_TRUE(dialog->testOption(QFileDialog::ReadOnly)) << "folders can be made or renamed";
        // Entering the folder, not selecting it: a selection made before the
        // dialog's folder listing has loaded may be lost.
        dialog->setDirectory(QString::fromStdString(chosen));
        dialog->selectFile(QString());
        QMetaObject::invokeMethod(dialog, "accept");
    });
    poll.start();
    QTimer::singleShot(5000, [] {
        if (QWidget* left = QApplication::activeModalWidget()) left->close();
    });
    w->Button4->click();
    EXPECT_TRUE(seen) << "no folder dialog came up";
    EXPECT_EQ(chosen, value("folder.txt"));
}

TEST_F(MainWindow, OutputFolderControls) {
    auto w = open();
    w->RadioButton2->setChecked(true);
    EXPECT_EQ(desktop, value("folder.txt")) << "after a first start the desktop is shown";
    EXPECT_TRUE(w->StaticText13->isEnabled());

    std::string chosen = home / "chosen";
    ::mkdir(chosen.c_str(), 0755);
    dialogs::SetNextDirectory(QString::fromStdString(chosen));
    w->Button4->click();
    EXPECT_EQ(chosen, value("folder.txt"));
    EXPECT_EQ(QString::fromStdString(chosen), w->StaticText13->text());
    EXPECT_EQ(QString::fromStdString(chosen), w->StaticText13->toolTip());

    dialogs::SetNextDirectory(QString());
    QTest::mouseClick(w->StaticText13, Qt::LeftButton);
    EXPECT_EQ(chosen, value("folder.txt")) << "a cancelled browse changes nothing";

    w->RadioButton1->setChecked(true);
    EXPECT_FALSE(has("folder.txt"));
    EXPECT_FALSE(w->StaticText13->isEnabled());
    EXPECT_FALSE(w->Button4->isEnabled());

    w->Image19Click();
    EXPECT_EQ(chosen, value("folder.txt"));
    ::unlink((folder + "folder.txt").c_str());
    QTest::mouseClick(w->Image19, Qt::LeftButton);
    EXPECT_EQ(chosen, value("folder.txt")) << "the icon stores the folder even when selected";
    QTest::mouseClick(w->Image17, Qt::LeftButton);
    EXPECT_FALSE(has("folder.txt"));
    EXPECT_TRUE(w->RadioButton1->isChecked());
}

TEST_F(MainWindow, OptionIconsToggleTheirBoxAndFile) {
    auto w = open();
    struct Row {
        QWidget* icon;
        QCheckBox* box;
        const char* file;
    };
    const Row rows[] = {
        {w->Image25, w->CheckBox10, "tryname.txt"}, {w->Image18, w->CheckBox3, "subdir.txt"},
        {w->Image16, w->CheckBox11, "opendir.txt"}, {w->Image29, w->CheckBox12, "staytop.txt"},
        {w->Image21, w->CheckBox2, "button.txt"},   {w->Image28, w->CheckBox1, "firstrun.txt"},
        {w->Image20, w->CheckBox7, "dialog.txt"},   {w->Image30, w->CheckBox13, "replace.txt"},
        {w->Image22, w->CheckBox9, "wizard.txt"},   {w->Image11, w->CheckBox8, "trylist.txt"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        for (int i = 0; i < 2; ++i) {
            const bool before = r.box->isChecked();
            QTest::mouseClick(r.icon, Qt::LeftButton);
            EXPECT_NE(before, r.box->isChecked());
            EXPECT_EQ(r.box->isChecked(), has(r.file));
        }
    }
    w->CheckBox2->setChecked(false);
    EXPECT_TRUE(w->Button1->isHidden()) << "unticking hides \"Unrar...\" at once";
    QTest::mouseClick(w->Image21, Qt::LeftButton);
    EXPECT_FALSE(w->Button1->isHidden());
}

TEST_F(MainWindow, LanguageDetectionSwitchAndHandChoice) {
    prepare({{"language.txt", "1031\r\n"}});
    auto w = open();
    ASSERT_EQ(1031, w->InterfaceLanguage);
    w->CheckBox5->setChecked(true);
    EXPECT_TRUE(has("autolang.txt"));
    EXPECT_EQ(1033, w->InterfaceLanguage) << "ticking applies the automatic choice at once";
    EXPECT_FALSE(w->LanguageCombo->isEnabled());
    EXPECT_EQ("English", w->LanguageCombo->currentText());

    w->LanguageCombo->setCurrentIndex(w->LanguageCombo->findText("Icelandic"));
    w->LanguageComboChange(w->LanguageCombo);
    EXPECT_EQ("1031", value("language.txt")) << "no hand choice in automatic mode";

    QTest::mouseClick(w->Image26, Qt::LeftButton);
    EXPECT_FALSE(has("autolang.txt"));
    EXPECT_EQ(1033, w->InterfaceLanguage) << "unticking keeps the language";
    EXPECT_TRUE(w->LanguageCombo->isEnabled());

    w->LanguageCombo->setCurrentIndex(w->LanguageCombo->findText("Icelandic"));
    w->LanguageComboChange(w->LanguageCombo);
    EXPECT_EQ("15", value("language.txt"));
    EXPECT_EQ(15, w->InterfaceLanguage);
    auto next = open();
    EXPECT_EQ(15, next->InterfaceLanguage);
    EXPECT_EQ("Icelandic", next->LanguageCombo->currentText());
}

TEST_F(MainWindow, LinksOpenTheirAddresses) {
    auto w = open();
    const PageAddresses& a = kEnglishPageAddresses;
    struct Link {
        QWidget* control;
        QString address;
    };
    const Link links[] = {
        {w->StaticText2, a.product}, {w->Image10, a.product},      {w->Image14, a.product},
        {w->Button13, a.product},    {w->StaticText5, a.home},     {w->Image31, a.home},
        {w->Button17, a.update},     {w->Button19, a.donate},      {w->Image5, a.apps},
        {w->Button3, a.apps},        {w->Image1, a.books},         {w->Button9, a.books},
        {w->Image3, a.projects},     {w->Button6, a.projects},     {w->Image7, a.projects},
        {w->Button8, a.projects},    {w->Button5, a.project1},     {w->Image8, a.project1},
        {w->Button11, a.project2},   {w->Image9, a.project2},      {w->Button12, a.faq},
        {w->StaticText4, a.faq},     {w->Button14, kVideoAddress}, {w->StaticText9, kVideoAddress},
    };
    for (const Link& l : links) {
        SCOPED_TRACE(l.control->objectName().toStdString());
        opened.clear();
        QTest::mouseClick(l.control, Qt::LeftButton);
        ASSERT_EQ(1u, opened.size());
        EXPECT_EQ(l.address, opened.back());
    }
    EXPECT_EQ("240", QUrlQuery(QUrl(a.update)).queryItemValue("UID").toStdString());
    for (const QString& address : {a.product, a.faq, a.update, a.donate, a.home, a.apps, a.books,
                                   a.projects, a.project1, a.project2, QString(kVideoAddress)})
        EXPECT_TRUE(QUrl(address).host().endsWith(".example")) << address.toStdString();

    opened.clear();
    w->Button2->click();
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(QDir::cleanPath(QString::fromStdString(platform::ProgramFolder())),
              QDir::cleanPath(opened.back()));
}

// ---------------------------------------------------------------- runs

// Records of the helper processes that stand in for extraction runs.
struct RunRecord {
    std::string what;
    std::string archive;
    long long at;
};

class MainWindowRuns : public MainWindow {
protected:
    std::string records = home / "runs.log";
    ScopedEnv holder{"TARNWICK_TEST_PROGRESS_HOLDER", records};

    std::unique_ptr<TfrmConfig> openWithHelper() {
        auto w = open();
        w->ProgramPath = platform::ProgramFile();  // this test binary, as the helper
        return w;
    }
    std::vector<RunRecord> runs() {
        std::vector<RunRecord> out;
        std::istringstream in(PathExists(records) ? ReadFile(records) : std::string());
        RunRecord r;
        while (in >> r.what >> r.archive >> r.at) out.push_back(r);
        return out;
    }
    std::string archive(const std::string& name) {
        std::string path = home / name;
        WriteFile(path, "Rar!");
        return path;
    }
};

TEST_F(MainWindowRuns, ThreeArchivesRunOneAfterAnother) {
    auto w = openWithHelper();
    w->show();
    const std::string a = archive("a-hold1500.rar"), b = archive("b-hold300.rar"),
                      c = archive("c-hold700.rar");
    dialogs::SetNextFileNames(
        {QString::fromStdString(a), QString::fromStdString(b), QString::fromStdString(c)});
    int shownWhileRunning = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (w->isVisible() && platform::AnyProgressWindowExists()) ++shownWhileRunning;
    });
    sampler.start(50);
    // Meanwhile a run changes a setting; the load after the batch shows it.
    QTimer::singleShot(500, [&] { WriteFile(folder + "replace.txt", ":-)\r\n"); });
    w->Button1Click();
    const long long shownAt = nowMs();

    const std::vector<RunRecord> r = runs();
    ASSERT_EQ(6u, r.size());
    const std::string order[] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ("start", r[2 * i].what);
        EXPECT_EQ(order[i], r[2 * i].archive);
        EXPECT_EQ("end", r[2 * i + 1].what);
        EXPECT_EQ(order[i], r[2 * i + 1].archive);
        if (i > 0) {
            EXPECT_GT(r[2 * i].at, r[2 * i - 1].at) << "started before the last ended";
        }
    }
    EXPECT_GT(shownAt, r.back().at);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(0, shownWhileRunning);
    EXPECT_TRUE(w->CheckBox13->isChecked());
    EXPECT_FALSE(platform::AnyProgressWindowExists());
}

TEST_F(MainWindowRuns, DropStartsArchivesOnlyAndWaitsForEveryProgressWindow) {
    auto w = openWithHelper();
    // A run started from the shell is under way.
    ASSERT_TRUE(platform::StartDetached(platform::ProgramFile(), {home / "shell-hold2500.rar"}));
    for (int i = 0; i < 100 && runs().empty(); ++i) QTest::qWait(20);
    ASSERT_TRUE(platform::AnyProgressWindowExists());
    const std::string x = archive("x-hold100.rar"), y = archive("y-hold100.jpeg");
    QStringList dropped;
    for (const char* name : {"photo.jpg", "scan.BMP", "saver.scr", "jpg"})
        dropped << QString::fromStdString(archive(name));
    dropped.insert(1, QString::fromStdString(x));
    dropped << QString::fromStdString(y);
    w->WMDropFiles(dropped);

    std::vector<std::string> started;
    long long shellEnd = 0, yStart = 0;
    for (const RunRecord& r : runs()) {
        if (r.what == "start") started.push_back(r.archive);
        if (r.what == "end" && r.archive.find("shell") != std::string::npos) shellEnd = r.at;
        if (r.what == "start" && r.archive == y) yStart = r.at;
    }
    ASSERT_EQ(3u, started.size());
    EXPECT_EQ(x, started[1]);
    EXPECT_EQ(y, started[2]);
    EXPECT_GT(yStart, shellEnd) << "the next archive waits for the shell's run too";
}

TEST_F(MainWindowRuns, DropsOfLocalFilesOnly) {
    auto w = openWithHelper();
    QMimeData web;
    web.setUrls({QUrl("https://tarnwick.example/a.rar")});
    QDragEnterEvent enterWeb(QPoint(10, 10), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &enterWeb);
    EXPECT_FALSE(enterWeb.isAccepted());

    QMimeData local;
    local.setUrls({QUrl::fromLocalFile(QString::fromStdString(archive("d-hold0.rar")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    // The picture lights up while the drag is over the window, and no longer.
    ASSERT_TRUE(w->dropHighlight());
    EXPECT_TRUE(w->dropHighlight()->isVisibleTo(w.get()));
    EXPECT_EQ(w->Image2->geometry(), w->dropHighlight()->geometry());
    QDragLeaveEvent leave;
    QApplication::sendEvent(w.get(), &leave);
    EXPECT_FALSE(w->dropHighlight()->isVisibleTo(w.get()));
    QApplication::sendEvent(w.get(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &drop);
    EXPECT_FALSE(w->dropHighlight()->isVisibleTo(w.get()));
    EXPECT_TRUE(runs().empty()) << "the drop returns before the runs start";
    for (int i = 0; i < 40 && runs().size() < 2; ++i) QTest::qWait(100);
    ASSERT_EQ(2u, runs().size());
    EXPECT_EQ(home / "d-hold0.rar", runs()[0].archive);
}

TEST_F(MainWindowRuns, CrashedRunDoesNotBlock) {
    auto w = openWithHelper();
    // Left behind by a run that ended abnormally: no living holder.
    ASSERT_TRUE(platform::ForceDirectories(platform::ProgressLockFolder()));
    WriteFile(platform::ProgressLockFolder() + "TMobrelProgressForm.999999", "");
    dialogs::SetNextFileNames({QString::fromStdString(archive("k-crash-hold200.rar"))});
    const long long before = nowMs();
    w->Button1Click();
    const long long took = nowMs() - before;
    for (int i = 0; i < 100 && runs().empty(); ++i) QTest::qWait(20);
    ASSERT_EQ(1u, runs().size()) << "the helper started and died holding its lock";
    EXPECT_LT(took, 3 * TfrmConfig::kDialogWaitMs + 500);
    EXPECT_FALSE(platform::AnyProgressWindowExists());
}

TEST_F(MainWindowRuns, FailedStartIsNotReportedAndTheNextFollows) {
    auto w = openWithHelper();
    w->ProgramPath = home / "no-such-program";
    dialogs::SetNextFileNames(
        {QString::fromStdString(archive("p.rar")), QString::fromStdString(archive("q.rar"))});
    const long long before = nowMs();
    w->Button1Click();
    const long long took = nowMs() - before;
    EXPECT_GE(took, 2 * TfrmConfig::kDialogWaitMs - 50) << "each archive waits one interval";
    EXPECT_LT(took, 2 * TfrmConfig::kDialogWaitMs + 800);
    EXPECT_TRUE(messageCaptions().isEmpty());
    EXPECT_TRUE(w->isVisible());
}

TEST_F(MainWindowRuns, StartupTimer) {
    prepare({{"firstrun.txt", ":-)\r\n"}, {"dialog.txt", ":-)\r\n"}});
    {
        SCOPED_TRACE("started with an argument: nothing");
        auto w = openWithHelper();
        int welcomes = 0;
        w->ShowWelcomeDialog = [&] { ++welcomes; };
        w->StartedWithArguments = true;
        dialogs::SetNextFileNames({QString::fromStdString(archive("t-hold0.rar"))});
        w->Timer1Timer();
        EXPECT_EQ(0, welcomes);
        EXPECT_FALSE(w->CheckBox7->isChecked());
        EXPECT_TRUE(runs().empty());
        dialogs::SetNextFileNames({});
        (void)dialogs::GetOpenFileName(nullptr, {}, {}, {});
    }
    {
        SCOPED_TRACE("plain start: welcome, then the file dialog");
        auto w = openWithHelper();
        std::vector<std::string> steps;
        w->ShowWelcomeDialog = [&] { steps.push_back("welcome"); };
        dialogs::SetNextFileNames({QString::fromStdString(archive("t-hold0.rar"))});
        w->Timer1->start();
        for (int i = 0; i < 100 && w->Timer1->isActive(); ++i) QTest::qWait(100);
        EXPECT_FALSE(w->Timer1->isActive());
        EXPECT_EQ(std::vector<std::string>{"welcome"}, steps);
        EXPECT_TRUE(w->CheckBox7->isChecked());
        // Wait for the run's wait loop, which runs inside the timer's tick.
        for (int i = 0; i < 40 && runs().size() < 2; ++i) QTest::qWait(100);
        EXPECT_EQ(2u, runs().size());
    }
}

TEST_F(MainWindowRuns, InstructionLinesOpenTheFileDialogWithAnyButton) {
    auto w = openWithHelper();
    EXPECT_EQ(Qt::PreventContextMenu, w->Memo2->contextMenuPolicy());
    dialogs::SetNextFileNames({QString::fromStdString(archive("r-hold0.rar"))});
    QTest::mouseClick(w->Memo2->viewport(), Qt::RightButton);
    ASSERT_EQ(2u, runs().size());
    EXPECT_EQ(home / "r-hold0.rar", runs()[0].archive);
}

}  // namespace
