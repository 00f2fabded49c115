// The progress window and its run, in this process: the run's rules on their
// own, and whole runs over real archives made by `rar` with the real library,
// the run's dialogs answered by control name.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "extract/Main.h"
#include "platform/ProgressLock.h"
#include "settings/Settings.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "ui/About.h"
#include "ui/Pictures.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// ---- The run's rules ----

TEST(ProgressRules, DisplayNameMarksMultipartNames) {
    const std::pair<const char*, const char*> rows[] = {
        {"Photos.part1.rar", "Photos... [multipart]"},
        {"Photos.rar", "Photos.rar"},
        {"my.party.rar", "my... [multipart]"},
        {"Photos.Part1.rar", "Photos.Part1.rar"},
        {"", ""},
    };
    for (const auto& [name, shown] : rows) EXPECT_EQ(shown, extraction::DisplayName(name)) << name;
}

TEST(ProgressRules, LaterVolumeNamesLeadToTheFirstVolume) {
    const std::pair<const char*, const char*> rows[] = {
        {"/d/x.part2.rar", "/d/x.part1.rar"},
        {"/d/x.part02.rar", "/d/x.part01.rar"},
        {"/d/x.PART10.RAR", "/d/x.PART01.RAR"},
        {"/d/x.r00", "/d/x.rar"},
        {"/d/x.R07", "/d/x.RAR"},
        {"/d/x.part1.rar", ""},
        {"/d/x.part01.rar", ""},
        {"/d/x.rar", ""},
        {"/d/party.rar", ""},
        {"/d.part2.rar/x.rar", ""},
    };
    for (const auto& [given, first] : rows)
        EXPECT_EQ(first, extraction::FirstVolumeName(given)) << given;
}

TEST(ProgressRules, SubfolderNameDropsFourCharactersOfDottedNames) {
    const std::pair<const char*, const char*> rows[] = {
        {"Photos.rar", "Photos"}, {"Photos.part1.rar", "Photos.part1"},
        {"README", "README"},     {"a.rar", "a"},
        {"x.7z", "x.7z"},         {"archive.tar.gz", "archive.ta"},
    };
    for (const auto& [name, sub] : rows) EXPECT_EQ(sub, extraction::SubfolderName(name)) << name;
}

TEST(ProgressRules, ProgressMovesPastTheThresholdAndRoundsHalvesToEven) {
    using extraction::NextProgress;
    const std::int64_t first = extraction::kFirstProgressThreshold;
    // Not beyond the threshold: nothing changes.
    EXPECT_FALSE(NextProgress(70000000, first, first).update);
    auto step = NextProgress(70000000, first + 1, first);
    ASSERT_TRUE(step.update);
    EXPECT_EQ(20000000, step.nextThreshold);  // (round(0.72..) + 1) * 10,000,000
    EXPECT_EQ(10, step.percent);
    // 12.5 and 37.5 percent go to the even neighbour.
    EXPECT_EQ(12, NextProgress(8, 1, 0).percent);
    EXPECT_EQ(38, NextProgress(8, 3, 0).percent);
    EXPECT_EQ(2, NextProgress(8, 1, 0).nextThreshold);
    // An unknown total is never divided by.
    EXPECT_FALSE(NextProgress(0, first + 1, first).update);
    EXPECT_FALSE(NextProgress(-5, first + 1, first).update);
}

TEST(ProgressRules, ListLinesEndInCrLfCrOrLf) {
    TempDir dir;
    WriteFile(dir / "list", "a\r\nb\rc\n\nd\r\n");
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "", "d"}),
              settings::ReadListFile(dir / "list").value_or(settings::LineList{}).strings());
    WriteFile(dir / "list", "last without break");
    EXPECT_EQ(std::vector<std::string>{"last without break"},
              settings::ReadListFile(dir / "list").value_or(settings::LineList{}).strings());
    EXPECT_TRUE(settings::ReadListFile(dir / "missing").value_or(settings::LineList{}).empty());
}

class CandidateList : public ::testing::Test {
protected:
    std::vector<std::string> build(const std::string& archive) {
        std::string defaultPassword;
        return extraction::BuildCandidateList(store, archive, defaultPassword).strings();
    }
    void useList(const std::string& content) {
        WriteFile(dir / "my list.txt", content);
        store.setFlag(settings::kTryList);
        store.writeValue(settings::kListName, dir / "my list.txt");
    }
    TempDir dir;
    settings::Store store{dir.path() + "/"};
};

TEST_F(CandidateList, ListThenDefaultThenArchiveName) {
    useList("one\r\ntwo\r\n");
    store.writeValue(settings::kSilent, "default");
    store.setFlag(settings::kTryName);
    EXPECT_EQ((std::vector<std::string>{"one", "two", "default", "Secret"}),
              build("/somewhere/Secret.rar"));
}

TEST_F(CandidateList, DefaultEqualToALineIsTriedInBothPlacesAndEmptyLinesGo) {
    useList("\r\ndflt\r\n\r\n\nother\n\n");
    store.writeValue(settings::kSilent, "dflt");
    EXPECT_EQ((std::vector<std::string>{"dflt", "other", "dflt"}), build("/x/a.rar"));
}

TEST_F(CandidateList, NothingFoundLeavesTheEmptyListMarker) {
    EXPECT_EQ(std::vector<std::string>{extraction::kEmptyListMarker}, build("/x/a.rar"));
    // The list option on, but no list file named: still nothing.
    store.setFlag(settings::kTryList);
    EXPECT_EQ(std::vector<std::string>{extraction::kEmptyListMarker}, build("/x/a.rar"));
    // A password list that has gone contributes nothing either.
    store.writeValue(settings::kListName, dir / "gone.txt");
    EXPECT_EQ(std::vector<std::string>{extraction::kEmptyListMarker}, build("/x/a.rar"));
}

TEST_F(CandidateList, ShortArchiveNameGivesAnEmptyLineThatIsRemoved) {
    store.setFlag(settings::kTryName);
    EXPECT_TRUE(build("/x/x.7z").empty());
    EXPECT_EQ(std::vector<std::string>{"archive.ta"}, build("/x/archive.tar.gz"));
}

TEST(ProgressRules, WriteProbeLeavesAUsersFileAlone) {
    TempDir dir;
    const std::string folder = dir.path() + "/";
    EXPECT_TRUE(extraction::ProbeWritable(folder));
    EXPECT_TRUE(fs::is_empty(dir.path()));
    WriteFile(dir / "writeok.txt", "the user's own");
    EXPECT_TRUE(extraction::ProbeWritable(folder));
    EXPECT_EQ("the user's own", ReadFile(dir / "writeok.txt"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
    EXPECT_FALSE(extraction::ProbeWritable(dir / "missing/"));
    EXPECT_FALSE(extraction::ProbeWritable("/proc/self/fdinfo/"));
}

// Two runs probing the same folder at once: "the name is taken" is no
// "the folder takes no files".
TEST(ProgressRules, RunsProbingOneFolderAtOnceAllSeeItWritable) {
    TempDir dir;
    const std::string folder = dir.path() + "/";
    std::atomic<int> refused{0};
    const auto probe = [&] {
        for (int i = 0; i < 3000; ++i)
            if (!extraction::ProbeWritable(folder)) ++refused;
    };
    std::thread other(probe);
    probe();
    other.join();
    EXPECT_EQ(0, refused.load());
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(ProgressRules, FurtherArgumentsKeepTheSecondAndTrimTheRest) {
    EXPECT_TRUE(extraction::FurtherArguments({" a.rar "}).empty());
    EXPECT_EQ((std::vector<std::string>{" b.rar ", "c.rar", "d d.rar"}),
              extraction::FurtherArguments({"a.rar", " b.rar ", "  c.rar\t", "d d.rar "}));
}

TEST(ProgressRules, PixelClassesAreTestedInOrder) {
    using extraction::ClassifyPixel;
    using extraction::MaskClass;
    EXPECT_EQ(MaskClass::White, ClassifyPixel(148, 148, 148));
    EXPECT_EQ(MaskClass::Red, ClassifyPixel(255, 0, 0));
    EXPECT_EQ(MaskClass::Red, ClassifyPixel(148, 200, 147));
    EXPECT_EQ(MaskClass::White, ClassifyPixel(148, 200, 200));  // white is tested first
    EXPECT_EQ(MaskClass::Black, ClassifyPixel(148, 201, 0));
    EXPECT_EQ(MaskClass::Blue, ClassifyPixel(108, 108, 148));
    EXPECT_EQ(MaskClass::Green, ClassifyPixel(0, 255, 0));
    EXPECT_EQ(MaskClass::Black, ClassifyPixel(0, 0, 0));
}

TEST(ProgressRules, TheMaskKeepsTheBarAndTheTexts) {
    const QImage mask = pictures::Image(QStringLiteral(":/mask/mask.bmp"));
    ASSERT_FALSE(mask.isNull());
    EXPECT_EQ(QSize(484, 248), mask.size());
    EXPECT_EQ(24, mask.bitPlaneCount());
    const QRegion region = extraction::MaskRegion(mask);
    // The progress bar, the frame of the two texts and the emblem's disc lie
    // wholly inside.
    EXPECT_EQ(QRegion(218, 107, 154, 15), region.intersected(QRect(218, 107, 154, 15)));
    EXPECT_EQ(QRegion(14, 192, 449, 41), region.intersected(QRect(14, 192, 449, 41)));
    EXPECT_EQ(QRegion(28, 106, 68, 68), region.intersected(QRect(28, 106, 68, 68)));
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
    EXPECT_FALSE(region.contains(QPoint(300, 175)))
        << "band and tray stand apart right of the disc";
    // Pixels outside the picture count as black.
    EXPECT_EQ(extraction::MaskClass::Black, extraction::ClassifyMaskPixel(mask, 484, 200));
    EXPECT_EQ(extraction::MaskClass::Black, extraction::ClassifyMaskPixel(QImage(), 20, 200));
}

// ---- Whole runs ----

// Answers the modal dialogs as they come, in the order they were expected; an
// unexpected one is noted and closed by its frame.
class ModalScript : public QObject {
public:
    using Action = std::function<void(QDialog*)>;
    ModalScript() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
    }
    void expect(const std::string& cls, Action action) {
        queue_.push_back({cls, std::move(action)});
    }
    std::vector<std::string> seen;  // classes of the dialogs shown, in order
    std::function<void()> onShown;  // runs when any dialog comes up

private:
    void poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog->property("answered").toBool()) return;
        dialog->setProperty("answered", true);
        const std::string cls = dialog->metaObject()->className();
        seen.push_back(cls);
        if (onShown) onShown();
        if (queue_.empty() || queue_.front().first != cls) {
            dialog->close();
            return;
        }
        auto action = std::move(queue_.front().second);
        queue_.pop_front();
        action(dialog);
    }
    QTimer timer_;
    std::deque<std::pair<std::string, Action>> queue_;
};

ModalScript::Action click(const char* button) {
    return [button](QDialog* d) {
        auto* b = d->findChild<QAbstractButton*>(button);
        ASSERT_TRUE(b) << button;
        b->click();
    };
}

ModalScript::Action tick(std::vector<const char*> boxes, const char* button) {
    return [boxes, button](QDialog* d) {
        for (const char* box : boxes) d->findChild<QCheckBox*>(box)->click();
        click(button)(d);
    };
}

ModalScript::Action typePassword(const std::string& password) {
    return [password](QDialog* d) {
        d->findChild<QLineEdit*>("PasswordEdit")->setText(QString::fromStdString(password));
        click("OKButton")(d);
    };
}

ModalScript::Action closeByFrame() {
    return [](QDialog* d) { d->close(); };
}

class ProgressRun : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* var : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
            const char* v = std::getenv(var);
            saved_[var] = v ? std::optional<std::string>(v) : std::nullopt;
        }
        ::setenv("HOME", (dir / "home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
        fs::create_directories(dir / "home/Desktop");
        fs::create_directories(dir / "run");
        ::chmod((dir / "run").c_str(), 0700);
        fs::create_directories(settingsFolder());
        fs::create_directories(dir / "in");
        fs::create_directories(dir / "src");
    }
    void TearDown() override {
        for (const auto& [var, value] : saved_) {
            if (value)
                ::setenv(var.c_str(), value->c_str(), 1);
            else
                ::unsetenv(var.c_str());
        }
    }

    std::string settingsFolder() const { return dir / "config/Ostrel/Tarnwick/"; }
    settings::Store store() const { return settings::Store(settingsFolder()); }

    void makeArchive(const std::string& archive, const std::vector<std::string>& files,
                     const std::vector<std::string>& switches) {
        std::vector<std::string> args{"a", "-idq", "-ep"};
        args.insert(args.end(), switches.begin(), switches.end());
        args.push_back(dir / ("in/" + archive));
        for (const auto& f : files) {
            WriteFile(dir / ("src/" + f), "content of " + f);
            args.push_back(dir / ("src/" + f));
        }
        const auto r = testing_support::RunProcess("/usr/bin/rar", args);
        ASSERT_EQ(0, r.exitCode) << r.output;
    }

    // Runs the whole extraction of `archive`; records the answer to every
    // password request of each extraction attempt.
    void run(const std::string& archive) {
        TfrmConfig config;
        TMobrelProgressForm form(std::vector<std::string>{dir / ("in/" + archive)});
        form.frmConfig = &config;
        form.ProgramFile = "/bin/true";
        form.ExitProcess = [this](int code) { exitCode = code; };
        auto answer = form.RARArchive.OnPasswordRequired;
        form.RARArchive.OnPasswordRequired = [&](TRAR& s, bool h, const std::wstring& f,
                                                 std::string& p, bool& c) {
            if (onPasswordRequest) onPasswordRequest(form.ExtractionCount);
            answer(s, h, f, p, c);
            auto& tried = answers[form.ExtractionCount];
            const std::string given = c ? "<cancel>" : p;
            if (tried.empty() || tried.back() != given) tried.push_back(given);
        };
        script.onShown = [&] {
            dialogsInAttempt[form.ExtractionCount].push_back(script.seen.back());
        };
        form.Timer1Timer();
        extractions = form.ExtractionCount;
        overwriteAll = form.OverwriteAll;
        skipAll = form.SkipAll;
    }

    std::string extracted(const std::string& name) { return ReadFile(dir / ("in/" + name)); }

    TempDir dir;
    ModalScript script;
    std::function<void(int attempt)> onPasswordRequest;
    // Extraction attempt (0 = the listing before the first) -> answers given.
    std::map<int, std::vector<std::string>> answers;
    std::map<int, std::vector<std::string>> dialogsInAttempt;
    int extractions = 0;
    int exitCode = -1;
    bool overwriteAll = false;
    bool skipAll = false;

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

using Answers = std::map<int, std::vector<std::string>>;

TEST_F(ProgressRun, CandidatesAreTriedInOrderOneExtractionEach) {
    makeArchive("Secret.rar", {"a.txt", "b.txt"}, {"-pSecret"});
    WriteFile(dir / "list.txt", "wrong1\r\nwrong2\r\n");
    store().setFlag(settings::kTryList);
    store().writeValue(settings::kListName, dir / "list.txt");
    store().writeValue(settings::kSilent, "wrong3");
    store().setFlag(settings::kTryName);
    run("Secret.rar");
    EXPECT_EQ(4, extractions);
    EXPECT_EQ((Answers{{1, {"wrong1"}}, {2, {"wrong2"}}, {3, {"wrong3"}}, {4, {"Secret"}}}),
              answers);
    EXPECT_TRUE(script.seen.empty());
    EXPECT_EQ("content of a.txt", extracted("a.txt"));
    EXPECT_EQ("content of b.txt", extracted("b.txt"));
    EXPECT_EQ(-1, exitCode);
}

TEST_F(ProgressRun, EncryptedHeadersUseTheCandidateForTheListingToo) {
    makeArchive("Secret.rar", {"a.txt"}, {"-hpSecret"});
    WriteFile(dir / "list.txt", "wrong1\n");
    store().setFlag(settings::kTryList);
    store().writeValue(settings::kListName, dir / "list.txt");
    store().setFlag(settings::kTryName);
    run("Secret.rar");
    EXPECT_EQ(2, extractions);
    EXPECT_EQ((Answers{{0, {"wrong1"}}, {1, {"wrong1"}}, {2, {"Secret"}}}), answers);
    EXPECT_EQ("content of a.txt", extracted("a.txt"));
}

TEST_F(ProgressRun, ThreeWrongCandidatesThenCancelGiveFourExtractionsAndTheReport) {
    makeArchive("a.rar", {"a.txt"}, {"-pright"});
    WriteFile(dir / "list.txt", "dflt\r\n\r\nother\r\n");
    store().setFlag(settings::kTryList);
    store().writeValue(settings::kListName, dir / "list.txt");
    store().writeValue(settings::kSilent, "dflt");
    script.expect("TPasswordForm", click("CancelButton"));
    script.expect("TFailedForm", click("OKButton"));
    run("a.rar");
    EXPECT_EQ(4, extractions);
    EXPECT_EQ((Answers{{1, {"dflt"}}, {2, {"other"}}, {3, {"dflt"}}, {4, {"<cancel>"}}}), answers);
    EXPECT_EQ((std::vector<std::string>{"TPasswordForm", "TFailedForm"}), script.seen);
    EXPECT_EQ((std::vector<std::string>{"TPasswordForm", "TFailedForm"}), dialogsInAttempt[4]);
    EXPECT_FALSE(fs::exists(dir / "in/a.txt"));
}

TEST_F(ProgressRun, NoOptionOnAsksAtOnceAndOnePasswordServesEveryEntry) {
    makeArchive("a.rar", {"a.txt", "b.txt", "c.txt"}, {"-pright"});
    script.expect("TPasswordForm", typePassword("right"));
    run("a.rar");
    EXPECT_EQ(1, extractions);
    EXPECT_EQ((std::vector<std::string>{"TPasswordForm"}), script.seen);
    EXPECT_EQ((Answers{{1, {"right"}}}), answers);
    for (const char* f : {"a.txt", "b.txt", "c.txt"})
        EXPECT_EQ(std::string("content of ") + f, extracted(f));
}

TEST_F(ProgressRun, EncryptedHeadersAskOnceWithNoOptionOn) {
    makeArchive("a.rar", {"a.txt", "b.txt"}, {"-hpright"});
    script.expect("TPasswordForm", typePassword("right"));
    run("a.rar");
    EXPECT_EQ(1, extractions);
    EXPECT_EQ((std::vector<std::string>{"TPasswordForm"}), script.seen);
    EXPECT_EQ("content of b.txt", extracted("b.txt"));
}

TEST_F(ProgressRun, AWrongListThenTheRightPasswordTyped) {
    makeArchive("a.rar", {"a.txt"}, {"-pright"});
    WriteFile(dir / "list.txt", "bad\r\n");
    store().setFlag(settings::kTryList);
    store().writeValue(settings::kListName, dir / "list.txt");
    script.expect("TPasswordForm", typePassword("right"));
    run("a.rar");
    EXPECT_EQ(2, extractions);
    EXPECT_EQ((Answers{{1, {"bad"}}, {2, {"right"}}}), answers);
    EXPECT_EQ((std::vector<std::string>{"TPasswordForm"}), dialogsInAttempt[2]);
    EXPECT_EQ("content of a.txt", extracted("a.txt"));
}

TEST_F(ProgressRun, TheWindowIsShapedByItsMaskAndHoldsTheLockForItsLife) {
    {
        TMobrelProgressForm form(std::vector<std::string>{dir / "in/a.rar"});
        EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(extraction::MaskRegion(pictures::Image(QStringLiteral(":/mask/mask.bmp"))),
                  form.mask());
        EXPECT_EQ(QSize(480, 272), form.size());
        EXPECT_EQ(QStringLiteral("Tarnwick"), form.windowTitle());
        EXPECT_TRUE(platform::AnyProgressWindowExists());
    }
    EXPECT_FALSE(platform::AnyProgressWindowExists());
}

TEST_F(ProgressRun, ProgressShowsInTheBarAndTheCaptions) {
    TMobrelProgressForm form(std::vector<std::string>{dir / "in/a.rar"});
    form.StaticTextFilename->setText(QStringLiteral("Photos... [multipart]"));
    form.OverallBar->setValue(1);
    TRAR& rar = form.RARArchive;
    const std::int64_t total = 70000000;
    // Below the first threshold nothing moves, yet the window answers a drag.
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    form.RARArchiveProgress(rar, L"x", total, extraction::kFirstProgressThreshold, 0, 0);
    EXPECT_EQ(1, form.OverallBar->value());
    EXPECT_TRUE(handled) << "events wait for the bar's next step";
    form.RARArchiveProgress(rar, L"x", total, 7300000, 0, 0);
    EXPECT_EQ(10, form.OverallBar->value());
    EXPECT_EQ(QStringLiteral("10% Photos... [multipart] - Tarnwick"), form.windowTitle());
    EXPECT_TRUE(QGuiApplication::applicationDisplayName().isEmpty() ||
                QGuiApplication::applicationDisplayName() == QGuiApplication::applicationName())
        << "a display name would be appended to every dialog's title";
    EXPECT_EQ(20000000, form.NextProgressThreshold);
    // Further calls below the new threshold change nothing.
    form.RARArchiveProgress(rar, L"x", total, 19000000, 0, 0);
    EXPECT_EQ(10, form.OverallBar->value());
    form.RARArchiveProgress(rar, L"x", total, 35000000, 0, 0);
    EXPECT_EQ(50, form.OverallBar->value());

    // A long stretch between two steps of the bar: the window's events are
    // handled every 50 ms, not at every call and not never. Each handling
    // fires the zero timer once; the handlings lie at least 50 ms apart.
    int handlings = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++handlings; });
    tick.start(0);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 400) form.RARArchiveProgress(rar, L"x", total, 35000001, 0, 0);
    EXPECT_GE(handlings, 2);
    EXPECT_LE(handlings, clock.elapsed() / 50 + 2);
}

// The not-writable dialog closed by its frame probes the same folder again: a
// folder that became writable meanwhile receives the files, with no second question.
TEST_F(ProgressRun, AFolderThatBecomesWritableWhileAskingReceivesTheFiles) {
    makeArchive("a.rar", {"one.txt", "two.txt"}, {});
    fs::create_directories(dir / "writable");
    // /proc refuses new files even to root.
    fs::create_directory_symlink("/proc/self/fdinfo", dir / "out");
    ASSERT_TRUE(store().writeValue(settings::kFolder, dir / "out"));
    script.expect("TReadonlyForm", [this](QDialog* d) {
        fs::remove(dir / "out");
        fs::create_directory_symlink(dir / "writable", dir / "out");
        d->close();
    });
    run("a.rar");
    EXPECT_EQ((std::vector<std::string>{"TReadonlyForm"}), script.seen);
    EXPECT_EQ("content of one.txt", ReadFile(dir / "writable/one.txt"));
    EXPECT_EQ("content of two.txt", ReadFile(dir / "writable/two.txt"));
    EXPECT_FALSE(fs::exists(dir / "writable/writeok.txt")) << "the probe is removed again";
}

// An archive that lists but whose data is damaged ends with the failure report.
TEST_F(ProgressRun, ADamagedArchiveEndsWithTheFailureReport) {
    makeArchive("a.rar", {"one.txt"}, {"-m0"});
    std::string bytes = ReadFile(dir / "in/a.rar");
    const std::size_t at = bytes.find("content of one.txt");
    ASSERT_NE(std::string::npos, at);
    bytes[at] = 'X';  // the stored data no longer matches its checksum
    WriteFile(dir / "in/a.rar", bytes);
    script.expect("TFailedForm", click("OKButton"));
    run("a.rar");
    EXPECT_EQ((std::vector<std::string>{"TFailedForm"}), script.seen);
    EXPECT_NE(1, exitCode) << "a damaged archive is not a failure to open";

    // Cut inside the header after its first entry: that entry comes out, and
    // the run still reports the failure rather than success. (Cut exactly
    // after the entry, at a block boundary, the archive is whole for unrar x.)
    makeArchive("cut.rar", {"first.txt", "second.txt"}, {"-m0"});
    bytes = ReadFile(dir / "in/cut.rar");
    const std::size_t end = bytes.find("content of first.txt");
    ASSERT_NE(std::string::npos, end);
    WriteFile(dir / "in/cut.rar", bytes.substr(0, end + std::strlen("content of first.txt") + 5));
    script.seen.clear();
    script.expect("TFailedForm", click("OKButton"));
    run("cut.rar");
    EXPECT_EQ((std::vector<std::string>{"TFailedForm"}), script.seen);
    EXPECT_EQ("content of first.txt", extracted("first.txt"));
}

// Cancel means cancel: the listing and the extraction that follow ask no
// more, and the run ends with the failure report.
TEST_F(ProgressRun, CancelInThePasswordDialogAsksNoMore) {
    makeArchive("a.rar", {"a.txt", "b.txt"}, {"-hpright"});
    script.expect("TPasswordForm", click("CancelButton"));
    script.expect("TFailedForm", click("OKButton"));
    run("a.rar");
    EXPECT_EQ((std::vector<std::string>{"TPasswordForm", "TFailedForm"}), script.seen);
    EXPECT_FALSE(fs::exists(dir / "in/a.txt"));
}

// A link standing at the subfolder's name is a non-folder in the way: its
// target receives nothing.
TEST_F(ProgressRun, ALinkAtTheSubfolderNameIsNotWrittenThrough) {
    makeArchive("a.rar", {"one.txt"}, {});
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "in/a");
    store().setFlag(settings::kSubDir);
    run("a.rar");
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_EQ("content of one.txt", extracted("a_/one.txt"));
}

// A close request that arrives while the library works ends the attempt, not
// the run: the run goes on to its end (here the report of the final attempt).
TEST_F(ProgressRun, ClosingDuringAnExtractionEndsTheAttemptAndTheRunGoesOn) {
    WriteFile(dir / "src/big.bin", std::string(24 << 20, 'x'));
    const auto r = testing_support::RunProcess(
        "/usr/bin/rar", {"a", "-idq", "-ep", "-m0", dir / "in/big.rar", dir / "src/big.bin"});
    ASSERT_EQ(0, r.exitCode) << r.output;
    script.expect("TFailedForm", click("OKButton"));
    TfrmConfig config;
    TMobrelProgressForm form(std::vector<std::string>{dir / "in/big.rar"});
    form.frmConfig = &config;
    bool closed = false;
    auto progress = form.RARArchive.OnProgress;
    form.RARArchive.OnProgress = [&](TRAR& s, const std::wstring& f, std::int64_t at,
                                     std::int64_t ad, std::int64_t ft, std::int64_t fd) {
        progress(s, f, at, ad, ft, fd);
        if (!closed && ad > (4 << 20)) {
            closed = true;
            form.close();
            EXPECT_TRUE(form.isVisible()) << "the window stays while the run goes on";
        }
    };
    form.Timer1Timer();
    EXPECT_TRUE(closed);
    EXPECT_EQ(1, form.ExtractionCount);
    EXPECT_EQ((std::vector<std::string>{"TFailedForm"}), script.seen);
    const std::string big = dir / "in/big.bin";
    EXPECT_FALSE(fs::exists(big) && fs::file_size(big) == 24u << 20) << "the extraction stopped";
    EXPECT_FALSE(form.running());
}

// The window keeps its size in points with either outline, also when the main
// window's picture has twice the pixels for a screen with two device pixels
// per point. Where the display has alpha, it paints its outline and nothing
// else: the picture with smooth edges, the bar and the file lines inside it,
// transparent all round, also in the strip below the picture.
TEST_F(ProgressRun, TheWindowsOutlineAndSizeAtAnyPixelRatio) {
    makeArchive("a.rar", {"a.txt"}, {});
    const QRegion hard = extraction::MaskRegion(pictures::Image(QStringLiteral(":/mask/mask.bmp")));
    for (const int ratio : {1, 2})
        for (const bool translucent : {false, true}) {
            SCOPED_TRACE(testing::Message() << ratio << " translucent " << translucent);
            TfrmConfig config;
            config.Image2->setPixmap(
                pictures::Pixmap(QStringLiteral(":/pictures/product.jpg"), ratio));
            TMobrelProgressForm form(std::vector<std::string>{dir / "in/a.rar"});
            form.frmConfig = &config;
            form.useTranslucentOutline(translucent);
            form.Timer1Timer();
            EXPECT_EQ(QSize(484, 263), form.size());
            EXPECT_EQ(QSize(484, 248), form.Image2->size());
            EXPECT_EQ(QSize(484, 248) * ratio, form.Image2->pixmap().size()) << "every pixel drawn";
            if (!translucent) continue;
            const QImage shot = form.grab().toImage().convertToFormat(QImage::Format_ARGB32);
            int painted = 0, disagreeing = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x) {
                    const int alpha = qAlpha(shot.pixel(x, y));
                    painted += alpha > 0;
                    disagreeing += (alpha >= 128) != hard.contains(QPoint(x, y));
                }
            // The hard-edged window's outline, but for its edge pixels; about a third.
            EXPECT_LT(disagreeing, 300);
            EXPECT_NEAR(0.375, double(painted) / (484 * 263), 0.075);
            for (const QRect inside : {QRect(218, 107, 154, 15), QRect(14, 192, 449, 41)})
                for (int y = inside.top(); y <= inside.bottom(); ++y)
                    for (int x = inside.left(); x <= inside.right(); ++x)
                        ASSERT_EQ(255, qAlpha(shot.pixel(x, y))) << x << "," << y;
            for (const QPoint outside : {QPoint(0, 0), QPoint(300, 175), QPoint(240, 255)})
                EXPECT_EQ(0, qAlpha(shot.pixel(outside)));
        }
}

// ---- Overwrite questions ----

class OverwriteRun : public ProgressRun {
protected:
    void SetUp() override {
        ProgressRun::SetUp();
        makeArchive("a.rar", {"1.txt", "2.txt", "3.txt"}, {});
        for (const char* f : {"1.txt", "2.txt", "3.txt"})
            WriteFile(dir / (std::string("in/") + f), "old");
    }
    std::string contents() {
        return extracted("1.txt") + "|" + extracted("2.txt") + "|" + extracted("3.txt");
    }
    static constexpr const char* kNew = "content of 1.txt|content of 2.txt|content of 3.txt";
};

TEST_F(OverwriteRun, ReplaceSettingOverwritesWithoutAsking) {
    store().setFlag(settings::kReplace);
    run("a.rar");
    EXPECT_TRUE(script.seen.empty());
    EXPECT_EQ(kNew, contents());
}

TEST_F(OverwriteRun, EachFileIsAskedAbout) {
    script.expect("TReplaceForm", click("replaceButton"));
    script.expect("TReplaceForm", click("skipButton"));
    script.expect("TReplaceForm", click("replaceButton"));
    run("a.rar");
    EXPECT_EQ(3u, script.seen.size());
    EXPECT_EQ("content of 1.txt|old|content of 3.txt", contents());
}

TEST_F(OverwriteRun, ApplyToAllAnswersTheRestOfTheRun) {
    script.expect("TReplaceForm", tick({"CheckBox9"}, "skipButton"));
    run("a.rar");
    EXPECT_EQ(1u, script.seen.size());
    EXPECT_TRUE(skipAll);
    EXPECT_EQ("old|old|old", contents());
}

TEST_F(OverwriteRun, ApplyToAllYesOverwritesTheRest) {
    script.expect("TReplaceForm", tick({"CheckBox9"}, "replaceButton"));
    run("a.rar");
    EXPECT_EQ(1u, script.seen.size());
    EXPECT_TRUE(overwriteAll);
    EXPECT_EQ(kNew, contents());
}

TEST_F(OverwriteRun, NeverAskAgainThenNoSkipsThisFileOnly) {
    script.expect("TReplaceForm", tick({"CheckBox13"}, "skipButton"));
    run("a.rar");
    EXPECT_EQ(1u, script.seen.size());
    EXPECT_TRUE(store().exists(settings::kReplace));
    EXPECT_EQ("old|content of 2.txt|content of 3.txt", contents());
}

TEST_F(OverwriteRun, SkipAllWinsOverTheReplaceSetting) {
    script.expect("TReplaceForm", tick({"CheckBox13", "CheckBox9"}, "skipButton"));
    run("a.rar");
    EXPECT_TRUE(store().exists(settings::kReplace));
    EXPECT_TRUE(overwriteAll && skipAll);
    EXPECT_EQ("old|old|old", contents());
}

TEST_F(OverwriteRun, UntickingNeverAskAgainRemovesTheSetting) {
    script.expect("TReplaceForm", tick({"CheckBox13", "CheckBox13"}, "replaceButton"));
    script.expect("TReplaceForm", click("replaceButton"));
    script.expect("TReplaceForm", click("replaceButton"));
    run("a.rar");
    EXPECT_FALSE(store().exists(settings::kReplace));
    EXPECT_EQ(3u, script.seen.size());
}

TEST_F(OverwriteRun, ClosingTheQuestionStopsTheExtraction) {
    // The stop is the user's choice, not a failure of the archive: no report,
    // no further question, no further attempt.
    script.expect("TReplaceForm", closeByFrame());
    run("a.rar");
    EXPECT_EQ((std::vector<std::string>{"TReplaceForm"}), script.seen);
    EXPECT_EQ(1, extractions);
    EXPECT_EQ("old|old|old", contents());
}

// A file written by a failed attempt is met again by the next attempt.
class EarlierAttemptRun : public ProgressRun {
protected:
    void SetUp() override {
        ProgressRun::SetUp();
        makeArchive("a.rar", {"plain.txt"}, {});
        makeArchive("a.rar", {"secret.txt"}, {"-pright"});
        WriteFile(dir / "list.txt", "bad\r\n");
        store().setFlag(settings::kTryList);
        store().writeValue(settings::kListName, dir / "list.txt");
    }
};

// What an earlier attempt extracted completely is neither asked about nor
// extracted again; a file of the user's is still asked about.
TEST_F(EarlierAttemptRun, FilesOfAnEarlierAttemptAreLeftAsTheyAre) {
    script.expect("TPasswordForm", typePassword("right"));
    run("a.rar");
    EXPECT_EQ(2, extractions);
    EXPECT_EQ((std::vector<std::string>{"TPasswordForm"}), script.seen);
    EXPECT_EQ("content of plain.txt", extracted("plain.txt"));
    EXPECT_EQ("content of secret.txt", extracted("secret.txt"));
}

// Entries under two passwords: the second attempt must not rewrite the first
// attempt's files with its key (a wrong key fails the check, and the library
// deletes what it wrote).
TEST_F(ProgressRun, TwoPasswordsInOneArchiveKeepEveryFile) {
    makeArchive("two.rar", {"first.txt"}, {"-pfirst"});
    makeArchive("two.rar", {"second.txt"}, {"-psecond"});
    WriteFile(dir / "list.txt", "first\r\n");
    store().setFlag(settings::kTryList);
    store().writeValue(settings::kListName, dir / "list.txt");
    store().setFlag(settings::kReplace);
    script.expect("TPasswordForm", typePassword("second"));
    run("two.rar");
    EXPECT_EQ(2, extractions);
    EXPECT_EQ((std::vector<std::string>{"TPasswordForm"}), script.seen);
    EXPECT_EQ("content of first.txt", extracted("first.txt"));
    EXPECT_EQ("content of second.txt", extracted("second.txt"));
}

TEST_F(EarlierAttemptRun, UnlessTheReplaceSettingSaysOtherwise) {
    store().setFlag(settings::kReplace);
    // The first attempt's file changes before the second attempt: rewriting it
    // would bring the archive's bytes back.
    onPasswordRequest = [this](int attempt) {
        if (attempt == 1) WriteFile(dir / "in/plain.txt", "changed between the attempts");
    };
    script.expect("TPasswordForm", typePassword("right"));
    run("a.rar");
    EXPECT_EQ((std::vector<std::string>{"TPasswordForm"}), script.seen);
    EXPECT_EQ("changed between the attempts", extracted("plain.txt"));
}

}  // namespace
