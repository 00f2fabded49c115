#include "extract/Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QSocketNotifier>
#include <QThread>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

#include "extract/Failed.h"
#include "extract/Outline.h"
#include "extract/Password.h"
#include "extract/Readonly.h"
#include "extract/Replace.h"
#include "extract/Unicode.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/Termination.h"
#include "settings/Settings.h"
#include "ui/About.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/Look.h"
#include "ui/Pictures.h"
#include "ui/RunDialog.h"
#include "ui/Wizard.h"

namespace extraction {

settings::LineList BuildCandidateList(const settings::Store& store, const std::string& archivePath,
                                      std::string& defaultPassword) {
    if (store.exists(settings::kSilent)) {
        if (auto value = store.readValue(settings::kSilent))
            defaultPassword = *value;
        else
            settings::Report(settings::kFileNotRead);
    }
    settings::LineList list;
    if (store.exists(settings::kTryList)) {
        std::string listFile = settings::kListPlaceholder;
        if (store.exists(settings::kListName)) {
            if (auto value = store.readValue(settings::kListName))
                listFile = *value;
            else
                settings::Report(settings::kFileNotRead);
        }
        if (platform::FileExists(listFile))
            if (auto lines = settings::ReadListFile(listFile)) list = std::move(*lines);
    }
    if (!defaultPassword.empty()) list.push_back(defaultPassword);
    if (store.exists(settings::kTryName)) {
        const std::string name = platform::ExtractFileName(archivePath);
        list.push_back(name.size() > 4 ? name.substr(0, name.size() - 4) : std::string());
    }
    if (list.empty()) list.push_back(kEmptyListMarker);
    list.removeEmpty();
    return list;
}

std::string DisplayName(const std::string& archiveName) {
    const auto part = archiveName.find(".part");
    if (part == std::string::npos) return archiveName;
    return archiveName.substr(0, part + 1) + ".. [multipart]";
}

std::string FirstVolumeName(const std::string& path) {
    const auto lower = [](std::string t) {
        for (char& c : t)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return t;
    };
    const std::string name = platform::ExtractFileName(path);
    const std::string folder = path.substr(0, path.size() - name.size());
    const std::string low = lower(name);
    const auto isDigits = [](const std::string& t) {
        return !t.empty() && t.find_first_not_of("0123456789") == std::string::npos;
    };
    // New naming: "<base>.part<N>.rar", N above 1.
    const std::size_t part = low.rfind(".part");
    const bool rarEnding = low.size() > 4 && low.compare(low.size() - 4, 4, ".rar") == 0;
    if (part != std::string::npos && rarEnding && part + 5 < low.size() - 4) {
        const std::string digits = name.substr(part + 5, name.size() - 4 - (part + 5));
        if (!isDigits(digits) || digits.size() > 9 || std::stoul(digits) <= 1) return {};
        return folder + name.substr(0, part + 5) + std::string(digits.size() - 1, '0') + "1" +
               name.substr(name.size() - 4);
    }
    // Old naming: "<base>.rar", then "<base>.r00", "<base>.r01", ...
    if (low.size() > 4 && low.compare(low.size() - 4, 2, ".r") == 0 &&
        isDigits(low.substr(low.size() - 2)))
        return folder + name.substr(0, name.size() - 3) +
               (name[name.size() - 3] == 'R' ? "RAR" : "rar");
    return {};
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || platform::IsAbsolutePath(path)) return path;
    const std::string folder = platform::CurrentFolder();
    return folder.empty() ? path : folder + path;
}

std::string SubfolderName(const std::string& archiveName) {
    if (archiveName.find('.') == std::string::npos || archiveName.size() <= 4) return archiveName;
    return archiveName.substr(0, archiveName.size() - 4);
}

ProgressStep NextProgress(std::int64_t total, std::int64_t done, std::int64_t threshold) {
    ProgressStep step;
    step.nextThreshold = threshold;
    // Without a known total there is nothing to divide by: the display waits
    // for the end of the extraction.
    if (done <= threshold || total <= 0) return step;
    // Rounding halves to the even neighbour (the default rounding mode).
    const auto round = [](double v) { return static_cast<std::int64_t>(std::nearbyint(v)); };
    const double t = static_cast<double>(total);
    const double d = static_cast<double>(done);
    step.nextThreshold = (round(7.0 / t * d) + 1) * round(t / 7.0);
    step.percent = round(100.0 / t * d);
    step.update = true;
    return step;
}

bool ProbeWritable(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    // "writeok.txt" first; when that name is taken (a file of the user's, or
    // another run probing the same folder right now) a name of this run's own.
    // Only a refusal other than "exists" means the folder takes no files.
    std::string probe = folder + kWriteProbe;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const platform::NewFile made = platform::CreateNewFile(probe);
        if (made == platform::NewFile::Created) {
            platform::DeleteFileIfExists(probe);
            return true;
        }
        if (made != platform::NewFile::Exists) return false;
        probe = folder + "writeok." + std::to_string(platform::ProcessId()) + "." +
                std::to_string(counter++) + ".txt";
    }
    return false;
}

std::vector<std::string> FurtherArguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> further;
    if (arguments.size() < 2) return further;
    further.push_back(arguments[1]);
    for (std::size_t i = 2; i < arguments.size(); ++i)
        further.push_back(platform::Trim(arguments[i]));
    return further;
}

bool FolderIsEmpty(const std::string& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator it(std::filesystem::u8path(folder), ec);
    return ec || it == std::filesystem::directory_iterator();
}

MaskClass ClassifyPixel(int r, int g, int b) {
    if (r >= 148 && g >= 148 && b >= 148) return MaskClass::White;
    if (r >= 148 && g <= 200 && b <= 200) return MaskClass::Red;
    if (r <= 108 && g <= 108 && b >= 148) return MaskClass::Blue;
    if (r <= 108 && b <= 108 && g >= 148) return MaskClass::Green;
    return MaskClass::Black;
}

MaskClass ClassifyMaskPixel(const QImage& mask, int x, int y) {
    if (mask.isNull() || x < 0 || y < 0 || x >= mask.width() || y >= mask.height())
        return MaskClass::Black;
    const QRgb p = mask.pixel(x, y);
    return ClassifyPixel(qRed(p), qGreen(p), qBlue(p));
}

QRegion MaskRegion(const QImage& mask) {
    QRegion region;
    if (mask.isNull()) return region;
    // Read row by row: a lookup per pixel costs more than the rest of the
    // window's creation.
    const QImage rgb =
        mask.format() == QImage::Format_RGB32 ? mask : mask.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        const auto classOf = [pixels](int x) {
            return ClassifyPixel(qRed(pixels[x]), qGreen(pixels[x]), qBlue(pixels[x]));
        };
        QRegion row;
        int x = 0;
        while (x < width) {
            const MaskClass cls = classOf(x);
            int last = x;
            while (last + 1 < width && classOf(last + 1) == cls) ++last;
            if (cls == MaskClass::Red || cls == MaskClass::White)
                row += QRect(x, y, last - x + 1, 1);
            x = last + 1;
        }
        region += row;
    }
    return region;
}

bool DisplayHasAlpha() {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) return true;
#if QT_CONFIG(xcb)
    if (platform != QLatin1String("xcb")) return false;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen>.
    int screen = 0;
    const QByteArray display = qgetenv("DISPLAY");
    const int colon = display.lastIndexOf(':');
    const int dot = display.indexOf('.', colon < 0 ? 0 : colon);
    if (dot > 0) screen = display.mid(dot + 1).toInt();
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, name.size(), name.constData()), nullptr);
    if (!atom) return false;
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    if (selection == XCB_NONE) return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    std::free(owner);
    return owned;
#else
    return false;
#endif
}

QPixmap ShapedPicture(const QPixmap& picture) {
    QImage shaped(picture.size(), QImage::Format_ARGB32_Premultiplied);
    shaped.setDevicePixelRatio(picture.devicePixelRatio());
    shaped.fill(Qt::transparent);
    QPainter p(&shaped);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(outline::ProgressOutline(), Qt::black);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.drawPixmap(0, 0, picture);
    p.end();
    return QPixmap::fromImage(std::move(shaped));
}

}  // namespace extraction

namespace {

// How long a run may go without handling its window's events, in ms.
constexpr qint64 kEventInterval = 50;

std::vector<std::string> applicationArguments() {
    std::vector<std::string> args;
    const QStringList all = QCoreApplication::arguments();
#ifdef Q_OS_WIN
    // Paths are UTF-8 inside the program; the ANSI code page would lose names.
    for (int i = 1; i < all.size(); ++i) args.push_back(all[i].toStdString());
#else
    for (int i = 1; i < all.size(); ++i) args.push_back(all[i].toLocal8Bit().toStdString());
#endif
    return args;
}

// A path or entry name as the library spells it, for display only: the
// library's escapes for bytes that are not UTF-8 are shown as such bytes.
QString shownName(const std::wstring& name) {
    return QString::fromUtf8(rardll::WideToNative(name));
}

// A path that names something other than a regular file (a FIFO, a device, a
// folder); found without opening it, which would wait forever on a FIFO.
bool isSpecialFile(const std::string& path) { return platform::IsSpecialFile(path); }

// The explanation under "Error opening RAR file!" for such a path; %1 is the path.
const rundialog::ControlText kNotARegularFile = {
    "", "\"%1\" is not a regular file.", "\"%1\" n'est pas un fichier ordinaire.",
    "\"%1\" ist keine gewöhnliche Datei.", "\"%1\" no es un archivo normal."};

// The small icons beside the two texts, drawn rather than stored, with every
// device pixel of the screen they show on.
QPixmap iconCanvas(int width, int height) {
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap pm(QSize(width, height) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::white);
    return pm;
}

QPixmap archiveIcon() {
    QPixmap pm = iconCanvas(13, 9);
    QPainter p(&pm);
    p.setPen(QColor(90, 60, 20));
    p.setBrush(QColor(200, 150, 60));
    p.drawRect(0, 0, 12, 8);
    p.setPen(QColor(90, 60, 20));
    p.drawLine(6, 0, 6, 8);
    return pm;
}

QPixmap folderIcon() {
    QPixmap pm = iconCanvas(18, 18);
    QPainter p(&pm);
    p.setPen(QColor(150, 110, 20));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(1, 3, 7, 3);
    p.drawRect(1, 5, 15, 10);
    return pm;
}

}  // namespace

TMobrelProgressForm::TMobrelProgressForm(QWidget* parent)
    : TMobrelProgressForm(applicationArguments(), parent) {}

TMobrelProgressForm::TMobrelProgressForm(std::vector<std::string> arguments, QWidget* parent)
    : QWidget(parent), arguments_(std::move(arguments)) {
    // Other processes learn from this lock that an extraction run is under way.
    lock_.acquire();
    // The run starts at the timer's first tick, 29 ms after the window is
    // created: the window is built and shown meanwhile, not before the wait.
    // A tick that comes before the window is shown (a start-up message of
    // the main window turns the message loop) leaves the run to the showing.
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(29);
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (shown_) {
            Timer1Timer();
        } else {
            Timer1->stop();
            tickMissed_ = true;
        }
    });
    Timer1->start();
    ProgramFile = platform::ProgramFile();
    ExitProcess = [](int code) { platform::ExitNow(code); };
    buildWindow();
    FormCreate();
}

TMobrelProgressForm::~TMobrelProgressForm() = default;

namespace {
// What assistive tools read for the window's bar and pictures.
const rundialog::ControlText kAccessibleNames[] = {
    {"OverallBar", "Extraction progress", "Progression de l'extraction", "Entpackfortschritt",
     "Progreso de la extracción"},
    {"Image3", "Archive", "Archive", "Archiv", "Archivo"},
    {"Image6", "Output folder", "Dossier de destination", "Ausgabeordner", "Carpeta de destino"},
};
}  // namespace

void TMobrelProgressForm::nameControls() {
    const auto language = languages::DialogLanguageOf(frmConfig ? frmConfig->InterfaceLanguage : 0);
    for (const rundialog::ControlText& row : kAccessibleNames)
        if (auto* control = findChild<QWidget*>(QString::fromLatin1(row.control)))
            control->setAccessibleName(QString::fromUtf8(rundialog::TextFor(row, language)));
    Image1->setAccessibleName(QString::fromStdString(Title));
    Image2->setAccessibleName(QString::fromStdString(Title));
}

void TMobrelProgressForm::buildWindow() {
    setObjectName("MobrelProgressForm");
    setWindowTitle(QStringLiteral("Tarnwick"));
    look::UseLightLook(*this);
    QFont tahoma(fonts::LaidOutFamily(QStringLiteral("Tahoma")));
    tahoma.setPixelSize(11);
    setFont(tahoma);
    resize(487, 257);

    Image2 = new QLabel(this);
    Image2->setObjectName("Image2");
    Image2->move(0, 0);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, 484, 248);
    Image1->hide();

    OverallBar = new QProgressBar(this);
    OverallBar->setObjectName("OverallBar");
    OverallBar->setGeometry(218, 107, 154, 15);
    OverallBar->setRange(0, 100);
    OverallBar->setValue(0);
    OverallBar->setTextVisible(false);

    Shape2 = new look::LineBox(this);
    Shape2->setObjectName("Shape2");
    Shape2->setGeometry(14, 192, 449, 41);

    Image3 = new QLabel(this);
    Image3->setObjectName("Image3");
    Image3->setGeometry(23, 197, 13, 9);
    Image3->setPixmap(archiveIcon());

    Image6 = new QLabel(this);
    Image6->setObjectName("Image6");
    Image6->setGeometry(21, 210, 18, 18);
    Image6->setPixmap(folderIcon());

    QFont sans(fonts::LaidOutFamily(QStringLiteral("MS Sans Serif")));
    sans.setPixelSize(11);
    const auto makeText = [&](const char* name, int top) {
        auto* label = new QLabel(this);
        label->setObjectName(name);
        label->setGeometry(42, top, 415, 15);
        label->setFont(sans);
        label->setAutoFillBackground(true);
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(pal);
        return label;
    };
    StaticTextFilename = makeText("StaticTextFilename", 197);
    StaticTextDir = makeText("StaticTextDir", 213);

    nameControls();

    RARArchive.ReadMultiVolumeToEnd = true;
    RARArchive.AutoNextVolumeOnList = true;
    RARArchive.ForceTestToEnd = true;
    RARArchive.OnPasswordRequired = [this](TRAR& s, bool h, const std::wstring& f, std::string& p,
                                           bool& c) { RARArchivePasswordRequired(s, h, f, p, c); };
    RARArchive.OnNextVolumeRequired = [this](TRAR& s, const std::string& r, std::string& n,
                                             bool& c) { RARArchiveNextVolumeRequired(s, r, n, c); };
    RARArchive.OnProgress = [this](TRAR& s, const std::wstring& f, std::int64_t at, std::int64_t ad,
                                   std::int64_t ft,
                                   std::int64_t fd) { RARArchiveProgress(s, f, at, ad, ft, fd); };
    RARArchive.OnReplace = [this](TRAR& s, const TRARReplaceData& e, const TRARReplaceData& n,
                                  TRARReplaceAction& a) { RARArchiveReplace(s, e, n, a); };

    // A request to end during a dialog: the pipe wakes the event loop. During the
    // library's work the progress callback sees the flag.
    if (platform::TerminationFd() >= 0) {
        auto* notifier =
            new QSocketNotifier(platform::TerminationFd(), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this,
                &TMobrelProgressForm::terminationRequested);
    } else {
        // No pipe to wake on (Windows): the flag is looked at a few times a second.
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            if (!platform::TerminationRequested()) return;
            poll->stop();
            terminationRequested();
        });
        poll->start(100);
    }
}

void TMobrelProgressForm::terminationRequested() {
    platform::DrainTermination();
    Cancelled = true;
    RARArchive.AbortOperation();
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    if (!running_) close();
}

void TMobrelProgressForm::FormCreate() {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    applyShape();
    // Qt widgets paint through a back buffer already; nothing more is needed
    // for flicker-free updates of the window and its bar.
    Title = QApplication::applicationName().isEmpty()
                ? std::string("Tarnwick")
                : QApplication::applicationName().toStdString();
    SettingsFolder = settings::SettingsFolder(Title);
    resize(480, 272);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    OverwriteAll = false;
    SkipAll = false;
    PasswordSupplied = false;
    DialogPassword.clear();
    CurrentPassword.clear();
    StaticTextFilename->clear();
    StaticTextDir->clear();

    // A relative path means the same file wherever the run goes on; a later
    // volume of a set whose first volume is beside it stands for the set.
    ArchivePath = extraction::AbsolutePath(
        platform::Trim(arguments_.empty() ? std::string() : arguments_[0]));
    const std::string first = extraction::FirstVolumeName(ArchivePath);
    if (!first.empty() && platform::FileExists(first) && !isSpecialFile(ArchivePath) &&
        !RARArchive.FirstOrSingleArchive(ArchivePath))
        ArchivePath = first;
    settings::Store store(SettingsFolder);
    // The candidates are kept as strings, not in a hidden text control: one
    // holding a big password list would cost many times the list's size.
    Candidates = extraction::BuildCandidateList(store, ArchivePath, CurrentPassword);
    CurrentPassword = Candidates.empty() ? std::string() : std::string(Candidates.front());
    CandidateIndex = 1;
    setWindowTitle(QString::fromStdString(Title));
}

void TMobrelProgressForm::applyShape() {
    mask_ = pictures::Image(QStringLiteral(":/mask/mask.bmp"));
    if (mask_.isNull()) return;
    if (mask_.format() != QImage::Format_RGB32) mask_ = mask_.convertToFormat(QImage::Format_RGB32);
    Image1->setPixmap(QPixmap::fromImage(mask_));
    resize(mask_.width(), mask_.height());
    useTranslucentOutline(extraction::DisplayHasAlpha());
}

void TMobrelProgressForm::useTranslucentOutline(bool on) {
    translucent_ = on;
    setAttribute(Qt::WA_TranslucentBackground, on);
    const QRegion region = extraction::MaskRegion(mask_);
    if (!on) {
        setMask(region);
        return;
    }
    // The smooth edge reaches a pixel beyond the mask's hard one. The mask
    // still decides where the window takes the pointer (on Wayland that is
    // all it does).
    setMask(region.united(region.translated(1, 0))
                .united(region.translated(-1, 0))
                .united(region.translated(0, 1))
                .united(region.translated(0, -1)));
}

void TMobrelProgressForm::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton &&
        extraction::ClassifyMaskPixel(mask_, at.x(), at.y()) == extraction::MaskClass::Red) {
        if (QWindow* window = windowHandle()) window->startSystemMove();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

std::string TMobrelProgressForm::folderRule(const std::string& start) {
    std::string folder = start;
    settings::Store store(SettingsFolder);
    if (store.exists(settings::kFolder)) {
        if (auto value = store.readValue(settings::kFolder))
            folder = *value;
        else
            settings::Report(settings::kFileNotRead);
    }
    if (!platform::DirectoryExists(folder)) {
        folder = platform::DesktopFolder();
        if (folder.empty()) folder = "No Desktop Folder found.";
    }
    return folder;
}

void TMobrelProgressForm::subfolderRule() {
    if (OutputFolder.size() > 1) OutputFolder = platform::IncludeTrailingDelimiter(OutputFolder);
    std::string name = extraction::SubfolderName(ArchiveName);
    for (int tries = 0; tries < 2; ++tries) {
        const std::string candidate = OutputFolder + name;
        // An archive named "...rar" must not send its entries a folder up.
        if (name == "." || name == "..") {
            name += '_';
            continue;
        }
        std::error_code ec;
        // Paths are UTF-8 (on Windows, too).
        const std::filesystem::path path = std::filesystem::u8path(candidate);
        const bool created = std::filesystem::create_directory(path, ec);
        // A link in the way counts as a non-folder: its target is not ours.
        if (std::filesystem::symlink_status(path, ec).type() ==
            std::filesystem::file_type::directory) {
            createdSubfolder_ = created && !ec;
            OutputFolder = platform::ExcludeTrailingDelimiter(candidate);
            return;
        }
        name += '_';
    }
}

void TMobrelProgressForm::showWizard() {
    const QString first = QString::fromStdString(arguments_.empty() ? "" : arguments_[0]);
    TWizardForm wizard(*frmConfig, &Cancelled, first, this);
    wizard.FilenameBox->setText(first);
    wizard.FilenameBox->setToolTip(first);
    hide();
    wizard.exec();
}

void TMobrelProgressForm::Timer1Timer() {
    Timer1->stop();
    running_ = true;
    Cancelled = false;
    settings::Store store(SettingsFolder);

    if (store.exists(settings::kWizard) && frmConfig) showWizard();

    bool probed = false;
    for (;;) {
        OutputFolder = folderRule(platform::ExtractFilePath(ArchivePath));
        if (OutputFolder.size() > 1) OutputFolder = platform::IncludeTrailingDelimiter(OutputFolder);
        probed = extraction::ProbeWritable(OutputFolder);
        if (probed || Cancelled) break;
        TReadonlyForm readonly(*this, QString::fromStdString(OutputFolder), this);
        readonly.ArchivePath = QString::fromStdString(arguments_.empty() ? "" : arguments_[0]);
        hide();
        readonly.exec();
    }

    if (!Cancelled) {
        if (frmConfig && frmConfig->Image2) {
            const QPixmap picture = frmConfig->Image2->pixmap();
            if (!picture.isNull()) {
                // Sizes in points: a picture for a denser screen carries more pixels.
                const QSize size = picture.deviceIndependentSize().toSize();
                Image2->setPixmap(translucent_ ? extraction::ShapedPicture(picture) : picture);
                Image2->resize(size);
                if (size.width() > 100 && size.width() < 500) resize(size.width(), height());
                if (size.height() > 100 && size.height() < 500)
                    resize(width(), size.height() + OverallBar->height());
                Image2->lower();
            }
        }
        QCoreApplication::processEvents();
        show();
        raise();
        activateWindow();
        // The window is painted before the listing keeps the thread busy:
        // the display is given until it exposes the window, never long (a
        // window kept hidden runs all the same).
        QElapsedTimer waited;
        waited.start();
        while (windowHandle() && !windowHandle()->isExposed() && !waited.hasExpired(200)) {
            QThread::msleep(2);
            QCoreApplication::processEvents();
        }

        bool listed = true;
        if (ArchivePath.find('?') != std::string::npos && !platform::FileExists(ArchivePath)) {
            // On Linux "?" is an ordinary character: only a path that names no
            // file points at characters lost on the way here.
            const std::string name = platform::ExtractFileName(ArchivePath);
            TNoUnicodeForm noUnicode(*this, QString::fromStdString(ArchivePath), this);
            noUnicode.FileNameIncompatible = name.find('?') != std::string::npos;
            hide();
            noUnicode.exec();
            listed = false;
        }
        if (listed) {
            // A FIFO, a device or a folder is no archive; opening a FIFO would wait forever.
            const bool special = isSpecialFile(ArchivePath);
            if (!special && RARArchive.ListForExtraction(ArchivePath)) {
                ArchiveName = platform::ExtractFileName(ArchivePath);
            } else if (special || !RARArchive.ArchiveInformation().MultiVolume()) {
                QString text = QStringLiteral("Error opening RAR file!");
                if (special)
                    text +=
                        QStringLiteral("\n\n") +
                        QString::fromUtf8(
                            rundialog::TextFor(kNotARegularFile,
                                               languages::DialogLanguageOf(
                                                   frmConfig ? frmConfig->InterfaceLanguage : 0)))
                            .arg(QString::fromUtf8(platform::DisplayPath(ArchivePath)));
                else if (!RARArchive.LibraryLoaded())
                    text += QStringLiteral("\n\n") +
                            QString::fromStdString(rardll::MissingLibraryText(RARArchive.DllName));
                dialogs::ShowMessage(this, text, QString::fromStdString(Title));
                lock_.release();
                ExitProcess(1);
                running_ = false;
                return;
            }
            OutputFolder = folderRule(platform::ExtractFilePath(ArchivePath));
            if (store.exists(settings::kSubDir)) subfolderRule();
            if (!OutputFolder.empty() && platform::DirectoryExists(OutputFolder)) runAttempts();
        }
        if (arguments_.size() >= 2 && !platform::TerminationRequested()) passOnArguments();
    }
    running_ = false;
    taskBar_.finish();
    close();
}

void TMobrelProgressForm::runAttempts() {
    settings::Store store(SettingsFolder);
    RARArchive.ForceTestToEnd = true;
    OverallBar->setValue(1);
    const std::string display = extraction::DisplayName(ArchiveName);
    StaticTextFilename->setText(QString::fromStdString(display));
    StaticTextDir->setText(QString::fromStdString(platform::DisplayPath(OutputFolder)));
    updateCaption();

    std::string password = CurrentPassword;
    bool final = Candidates.size() == 1 && Candidates.front() == extraction::kEmptyListMarker;
    // The folder's bytes go to the library as they are, not through a QString.
    const std::wstring destination = rardll::NativeToWide(OutputFolder);
    for (;;) {
        NextProgressThreshold = extraction::kFirstProgressThreshold;
        taskBar_.setProgress(0, true);
        CurrentPassword = password;
        PasswordSupplied = !final;
        ++ExtractionCount;
        // What an earlier attempt extracted completely stays as it is: an
        // archive whose entries use two passwords would otherwise be
        // rewritten with the wrong key.
        for (const auto& [name, copies] : RARArchive.ExtractedCopies()) {
            if (copies.completed == 0) continue;
            unsigned& skipped = RARArchive.SkipEntries[name];
            skipped = std::max(skipped, copies.completed);
        }
        // An unchanged archive listed whole needs no second reading; one with
        // encrypted headers is listed again with this attempt's password.
        if (!RARArchive.ListingCurrent(ArchivePath)) RARArchive.ListForExtraction(ArchivePath);
        if (RARArchive.ExtractArchive(destination, true)) {
            OverallBar->setValue(100);
            OverallBar->repaint();
            taskBar_.setProgress(1, true);
            updateCaption();
            QCoreApplication::processEvents();
            if (store.exists(settings::kOpenDir))
#ifdef Q_OS_WIN
                // Through the shell (ShellExecute), which opens an Explorer window.
                QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(OutputFolder)));
#else
                QDesktopServices::openUrl(QUrl::fromEncoded(
                    "file://" + QByteArray::fromStdString(OutputFolder).toPercentEncoding("/")));
#endif
            QCoreApplication::processEvents();
            return;
        }
        // Only a subfolder this run made, and that is still empty, goes again.
        if (store.exists(settings::kSubDir) && createdSubfolder_ &&
            extraction::FolderIsEmpty(OutputFolder)) {
            std::error_code ec;
            std::filesystem::remove(std::filesystem::u8path(OutputFolder), ec);
        }
        // Asked to end: no report, no further attempt.
        if (platform::TerminationRequested()) return;
        if (final) {
            auto* failed = new TFailedForm(*this, QString::fromStdString(display), this);
            taskBar_.setUrgent();
            failed->exec();
            return;
        }
        const auto count = static_cast<std::int64_t>(Candidates.size());
        password = CandidateIndex < count ? std::string(Candidates[CandidateIndex])
                                          : std::string(extraction::kDialogMarker);
        ++CandidateIndex;
        final = count < CandidateIndex;
    }
}

void TMobrelProgressForm::updateCaption() {
    const QString caption = QStringLiteral("%1% %2 - %3")
                                .arg(OverallBar->value())
                                .arg(StaticTextFilename->text(), QString::fromStdString(Title));
    // The window title is what task bars show here. It is not mirrored into the
    // application's display name: Qt would append that to every dialog's title.
    setWindowTitle(caption);
    QCoreApplication::processEvents();
}

void TMobrelProgressForm::passOnArguments() {
    hide();
    platform::StartDetached(ProgramFile, extraction::FurtherArguments(arguments_));
    QCoreApplication::processEvents();
}

void TMobrelProgressForm::RARArchivePasswordRequired(TRAR&, bool, const std::wstring& fileName,
                                                     std::string& newPassword, bool& cancel) {
    if (PasswordCancelled || platform::TerminationRequested()) {
        newPassword.clear();
        cancel = true;
        return;
    }
    if (CurrentPassword == extraction::kEmptyListMarker ||
        (!PasswordSupplied && CurrentPassword == extraction::kDialogMarker)) {
        const QString name = shownName(fileName).section(QLatin1Char('/'), -1);
        TPasswordForm dialog(*this, name, this);
        dialog.exec();
        newPassword = DialogPassword;
        if (!DialogPassword.empty()) {
            CurrentPassword = DialogPassword;
            PasswordSupplied = true;
        }
        cancel = DialogPassword.empty();
        PasswordCancelled = cancel;
        return;
    }
    newPassword = CurrentPassword;
    cancel = CurrentPassword.empty();
}

void TMobrelProgressForm::RARArchiveNextVolumeRequired(TRAR&, const std::string& requiredFileName,
                                                       std::string& newFileName, bool& cancel) {
    newFileName = requiredFileName;
    const QString required = QString::fromStdString(requiredFileName);
    const auto answer = dialogs::GetText(this, QStringLiteral("Next volume"), required, required);
    if (answer) {
        newFileName = answer->toStdString();
        cancel = false;
    } else {
        cancel = true;
    }
}

void TMobrelProgressForm::RARArchiveProgress(TRAR& sender, const std::wstring&,
                                             std::int64_t archiveBytesTotal,
                                             std::int64_t archiveBytesDone, std::int64_t,
                                             std::int64_t) {
    // The library's cancel path removes the entry it is writing.
    if (platform::TerminationRequested()) sender.AbortOperation();
    if (archiveBytesTotal > 0)
        taskBar_.setProgress(static_cast<double>(archiveBytesDone) /
                             static_cast<double>(archiveBytesTotal));
    // Between the bar's few steps the window still answers the desktop: a
    // press that drags it, a repaint, a compositor's "is it alive?" ping.
    if (!sinceEvents_.isValid() || sinceEvents_.hasExpired(kEventInterval)) {
        QCoreApplication::processEvents();
        sinceEvents_.start();
    }
    const auto step =
        extraction::NextProgress(archiveBytesTotal, archiveBytesDone, NextProgressThreshold);
    if (!step.update) return;
    NextProgressThreshold = step.nextThreshold;
    if (step.percent > 1) {
        OverallBar->setValue(static_cast<int>(std::min<std::int64_t>(step.percent, 100)));
        OverallBar->repaint();
        updateCaption();
    }
}

void TMobrelProgressForm::RARArchiveReplace(TRAR&, const TRARReplaceData& existingData,
                                            const TRARReplaceData&, TRARReplaceAction& action) {
    settings::Store store(SettingsFolder);
    if (store.exists(settings::kReplace)) OverwriteAll = true;
    if (OverwriteAll) action = rrOverwrite;
    if (SkipAll) action = rrSkip;
    if (OverwriteAll || SkipAll) return;
    TReplaceForm dialog(*this, shownName(existingData.FileName), this);
    dialog.exec();
    action = dialog.ReplaceAction;
}

void TMobrelProgressForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    nameControls();  // in the main window's language, known by now
    shown_ = true;
    if (std::exchange(tickMissed_, false))
        QTimer::singleShot(0, this, &TMobrelProgressForm::Timer1Timer);
}

void TMobrelProgressForm::closeEvent(QCloseEvent* event) {
    RARArchive.AbortOperation();
    QCoreApplication::processEvents();
    // A close in the middle of the run ends only the running attempt; the
    // window goes when the run is over.
    if (running_)
        event->ignore();
    else
        event->accept();
}
