// The program's entry: the shutdown run, the extraction run or the plain start.

#include "extract/Main.h"

#include <langinfo.h>

#include <QApplication>
#include <QIcon>
#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/DialogScript.h"
#include "app/Entry.h"
#include "archive/RAR_DLL.h"
#include "extract/Failed.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/RunWatch.h"
#include "platform/Termination.h"
#include "ui/About.h"
#include "ui/Dialogs.h"
#include "ui/Look.h"
#include "ui/Pictures.h"

namespace {

// The library converts 8-bit archive names and passwords with the C library;
// a bare "C" locale would lose every non-ASCII character.
void useUtf8Locale() {
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

}  // namespace

int main(int argc, char** argv) {
    if (const int code = HandleCommandLine(argc, argv); code >= 0) return code;
    const char* first = argc > 1 ? argv[1] : nullptr;
    const entry::Run run = entry::Decide(first);
    if (run == entry::Run::Shutdown) {
        platform::TerminateByNames(entry::kSiblingExecutables);
        return 0;
    }

    // The extraction run goes on in a child; this process watches it and, when
    // it dies by a signal (a crash in the library), reports the failure in its
    // place and hands the further archives on.
    bool deadRun = false;
    if (run == entry::Run::Extraction) {
        const platform::RunEnd end = platform::WatchRun();
        if (end.watcher && (end.signal == 0 || end.endRequested)) return end.exitCode;
        deadRun = end.watcher;
    }

    // Before Qt starts its threads: this changes the environment.
    rardll::KeepLocalTimeZoneLoaded();
    QApplication app(argc, argv);
    // After Qt's set-up: its constructor takes the locale from the
    // environment again.
    useUtf8Locale();
    look::UseFocusFrameStyle();
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    // Title bars and task switchers show the crate; Wayland finds it through the
    // desktop entry's name.
    QApplication::setWindowIcon(pictures::FileIcon(QStringLiteral(":/icons/tarnwick_%1.png"),
                                                   {16, 22, 24, 32, 48, 64, 128, 256}));
    QGuiApplication::setDesktopFileName(QStringLiteral("tarnwick"));
    // Each run ends when its own main window goes, not when the last window does:
    // the main window stays hidden through an extraction run.
    QApplication::setQuitOnLastWindowClosed(false);
    dialogs::InstallCoreMessageHandler();
    const QString script = qEnvironmentVariable("TARNWICK_DIALOG_SCRIPT");
    DialogScript* script_answers = nullptr;
    if (!script.isEmpty()) {
        script_answers = new DialogScript(script);
        app.installEventFilter(script_answers);
    }

    if (deadRun) {
        TfrmConfig::ExtractionRun = true;
        TfrmConfig config;
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        TFailedForm failed(config.InterfaceLanguage,
                           QString::fromStdString(extraction::DisplayName(
                               platform::ExtractFileName(arguments.front()))));
        failed.exec();
        if (arguments.size() >= 2)
            platform::StartDetached(platform::ProgramFile(),
                                    extraction::FurtherArguments(arguments));
        delete script_answers;
        return 0;
    }

    TMobrelProgressForm* progress = nullptr;
    if (run == entry::Run::Extraction) {
        // The shutdown run's SIGTERM, Ctrl-C, a closed terminal or Ctrl-\ end
        // the extraction through the library's cancel path, with no
        // half-written file left behind.
        platform::InstallTerminationHandler();
        // The arguments byte for byte: a file name need not be valid UTF-8.
        progress = new TMobrelProgressForm(std::vector<std::string>(argv + 1, argv + argc));
        progress->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(progress, &QObject::destroyed, &app, &QCoreApplication::quit);
    }
    // The hidden main window of an extraction run loads the settings without
    // writing defaults the user never chose.
    TfrmConfig::ExtractionRun = progress != nullptr;
    TfrmConfig config;
    if (progress) {
        progress->frmConfig = &config;
        progress->show();
    } else {
        config.setAttribute(Qt::WA_QuitOnClose);
        QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, &QCoreApplication::quit);
        QApplication::setQuitOnLastWindowClosed(true);
        config.show();
    }
    const int code = app.exec();
    delete script_answers;
    return code;
}
