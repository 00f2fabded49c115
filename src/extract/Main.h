#pragma once
// The progress window: carries out the extraction run of one archive, the one
// named by the first command-line argument. It is the application's main
// window in an extraction run; closing it ends the process.
//
// The whole run happens in the first tick of Timer1: the wizard when asked
// for, the output folder and its write probe, the listing, the subfolder, and
// one extraction attempt per password candidate until one succeeds. The run's
// dialogs report back through the public run flags below, never through their
// modal result.

#include <QElapsedTimer>
#include <QImage>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/RAR.h"
#include "extract/TaskBar.h"
#include "platform/ProgressLock.h"
#include "settings/Settings.h"

class QLabel;
class QProgressBar;
class QFrame;
class TfrmConfig;

namespace extraction {

// The text that stands alone in a candidate list that found no password: the
// first attempt is already the final one, with the dialog.
inline constexpr char kEmptyListMarker[] = "no_password_in_list_set_final_try";
// The password of the final attempt once the candidates are used up: its
// password request opens the dialog.
inline constexpr char kDialogMarker[] = "Jetzt kommt der Dialog...";
// Archive bytes done before the display first moves, in every attempt.
inline constexpr std::int64_t kFirstProgressThreshold = 7249132;
inline constexpr char kWriteProbe[] = "writeok.txt";

// The password candidates from the settings: the list file's lines (trylist),
// the default password (silent), the archive name without its last four
// characters (tryname); the empty-list marker when none was found; empty lines
// removed. `defaultPassword` receives the first line of silent.txt.
settings::LineList BuildCandidateList(const settings::Store& store, const std::string& archivePath,
                                      std::string& defaultPassword);

// "Photos.part1.rar" -> "Photos... [multipart]"; names without ".part" unchanged.
std::string DisplayName(const std::string& archiveName);

// The subfolder named after the archive: the name without its last four
// characters, or the whole name when it has no dot or at most four characters.
std::string SubfolderName(const std::string& archiveName);

// The path of a set's first volume for a path named like a later volume
// ("x.part2.rar" -> "x.part1.rar", "x.part02.rar" -> "x.part01.rar", "x.r00"
// -> "x.rar"); empty for any other name.
std::string FirstVolumeName(const std::string& path);

// `path` made absolute against the working folder, byte for byte.
std::string AbsolutePath(const std::string& path);

// One step of the progress display for `done` of `total` archive bytes.
struct ProgressStep {
    bool update = false;             // the display changes
    std::int64_t nextThreshold = 0;  // bytes done beyond which it changes next
    std::int64_t percent = 0;
};
ProgressStep NextProgress(std::int64_t total, std::int64_t done, std::int64_t threshold);

// Proves that `folder` (ending in '/') takes files: creates an empty probe file
// there and deletes it again. An existing "writeok.txt" is never touched: a
// fresh uniquely named probe is used instead.
bool ProbeWritable(const std::string& folder);

// The arguments for the process that takes over the further archives: the
// second argument unchanged, every later one trimmed. Empty when there are no
// further archives.
std::vector<std::string> FurtherArguments(const std::vector<std::string>& arguments);

// True when the folder holds no entries (or cannot be listed).
bool FolderIsEmpty(const std::string& folder);

// The pixel classes of the window mask, in the order they are tested.
enum class MaskClass { White, Red, Blue, Green, Black };
MaskClass ClassifyPixel(int r, int g, int b);
MaskClass ClassifyMaskPixel(const QImage& mask, int x, int y);
// The union of the mask's red and white runs, row by row.
QRegion MaskRegion(const QImage& mask);

// Whether the display shows a window's transparent pixels as transparent: every
// Wayland compositor does, and X11 does while a compositing manager runs.
bool DisplayHasAlpha();
// The picture cut to the window's outline with smooth edges: transparent
// outside, at the picture's own device pixel ratio.
QPixmap ShapedPicture(const QPixmap& picture);

}  // namespace extraction

class TMobrelProgressForm : public QWidget {
    Q_OBJECT
public:
    // `arguments` are the command-line arguments after the program name; the
    // first names the archive.
    explicit TMobrelProgressForm(std::vector<std::string> arguments, QWidget* parent = nullptr);
    // Takes the arguments from the application's command line.
    explicit TMobrelProgressForm(QWidget* parent = nullptr);
    ~TMobrelProgressForm() override;

    // The hidden main window of this process; set by the entry once created.
    TfrmConfig* frmConfig = nullptr;

    // Run state; the run's dialogs set these.
    bool Cancelled = false;
    bool OverwriteAll = false;
    bool SkipAll = false;
    bool PasswordSupplied = false;
    // A Cancel in the password dialog: every later password request of the
    // run is answered with cancel, without a dialog.
    bool PasswordCancelled = false;
    std::string CurrentPassword;
    std::string DialogPassword;
    std::int64_t CandidateIndex = 1;
    std::int64_t NextProgressThreshold = extraction::kFirstProgressThreshold;
    std::string ArchiveName;

    // The settings folder (ending in '/') and the application title.
    std::string SettingsFolder;
    std::string Title = "Tarnwick";
    // The archive path (first argument, trimmed) and the decided output folder.
    std::string ArchivePath;
    std::string OutputFolder;
    // The password candidates, one a line.
    settings::LineList Candidates;
    // Extractions started in this run.
    int ExtractionCount = 0;

    // The program started for the further arguments, and how the process ends
    // at once after "Error opening RAR file!". Tests replace both.
    std::string ProgramFile;
    std::function<void(int exitCode)> ExitProcess;

    TRAR RARArchive;

    QTimer* Timer1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QProgressBar* OverallBar = nullptr;
    QFrame* Shape2 = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* Image6 = nullptr;
    QLabel* StaticTextFilename = nullptr;
    QLabel* StaticTextDir = nullptr;

    void FormCreate();
    void Timer1Timer();
    void RARArchivePasswordRequired(TRAR& sender, bool headerPassword, const std::wstring& fileName,
                                    std::string& newPassword, bool& cancel);
    void RARArchiveNextVolumeRequired(TRAR& sender, const std::string& requiredFileName,
                                      std::string& newFileName, bool& cancel);
    void RARArchiveProgress(TRAR& sender, const std::wstring& fileName,
                            std::int64_t archiveBytesTotal, std::int64_t archiveBytesDone,
                            std::int64_t fileBytesTotal, std::int64_t fileBytesDone);
    void RARArchiveReplace(TRAR& sender, const TRARReplaceData& existingData,
                           const TRARReplaceData& newData, TRARReplaceAction& action);

    // True while the run is under way (between the first tick and the close).
    bool running() const { return running_; }
    // Where the display has alpha the window is translucent and paints its
    // outline with smooth edges; elsewhere its mask cuts it with hard edges.
    // Chosen at creation; tests may switch it before the window is shown.
    void useTranslucentOutline(bool on);
    bool translucentOutline() const { return translucent_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // The run starts with the first showing, once the entry has made the hidden
    // main window: a settings message during creation must not start it early.
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void buildWindow();
    void applyShape();
    std::string folderRule(const std::string& start);
    void subfolderRule();
    void runAttempts();
    void terminationRequested();
    void updateCaption();
    void passOnArguments();
    void showWizard();
    void nameControls();

    std::vector<std::string> arguments_;
    platform::ProgressWindowLock lock_;
    QImage mask_;
    bool translucent_ = false;
    bool running_ = false;
    bool shown_ = false;       // the window was shown once
    bool tickMissed_ = false;  // Timer1 ticked before that
    bool createdSubfolder_ = false;
    TaskBarProgress taskBar_;
    // Time since the window last handled its events during a run.
    QElapsedTimer sinceEvents_;
};
