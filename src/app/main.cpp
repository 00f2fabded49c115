// The program's entry: the shutdown run, the extraction run or the plain start.

#include "extract/Main.h"

#include <QApplication>
#include <QIcon>
#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/DialogScript.h"
#include "app/Entry.h"
#include "extract/Failed.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/RunWatch.h"
#include "platform/Termination.h"
#include "ui/About.h"
#include "ui/Dialogs.h"
#include "ui/Look.h"
#include "ui/Pictures.h"

namespace {

}  // namespace

int main(int argc, char** argv) {
    if (const int code = HandleCommandLine(argc, argv); code >= 0) return code;
    // The arguments byte for byte (a file name need not be valid UTF-8); on
    // Windows as UTF-8 from the wide command line.
    const std::vector<std::string> arguments = platform::ProgramArguments(argc, argv);
    const char* first = arguments.size() > 1 ? arguments[1].c_str() : nullptr;
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
        // The watcher has nothing to tidy up: ending at once spares the user
        // the unloading of every library the run loaded.
        if (end.watcher && (end.signal == 0 || end.endRequested)) platform::ExitNow(end.exitCode);
        deadRun = end.watcher;
    }

    // Before Qt starts its threads: this changes the environment.
    platform::KeepLocalTimeZoneLoaded();
    QApplication app(argc, argv);
    // After Qt's set-up: its constructor takes the locale from the
    // environment again.
    platform::UseLibraryLocale();
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
        const std::vector<std::string> archives(arguments.begin() + 1, arguments.end());
        TFailedForm failed(config.InterfaceLanguage,
                           QString::fromStdString(extraction::DisplayName(
                               platform::ExtractFileName(archives.front()))));
        failed.exec();
        if (archives.size() >= 2)
            platform::StartDetached(platform::ProgramFile(),
                                    extraction::FurtherArguments(archives));
        delete script_answers;
        return 0;
    }

    TMobrelProgressForm* progress = nullptr;
    if (run == entry::Run::Extraction) {
        // The shutdown run's SIGTERM, Ctrl-C, a closed terminal or Ctrl-\ end
        // the extraction through the library's cancel path, with no
        // half-written file left behind.
        platform::InstallTerminationHandler();
        progress = new TMobrelProgressForm(
            std::vector<std::string>(arguments.begin() + 1, arguments.end()));
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
    // An extraction run has written and closed all it wrote by now; the
    // teardown of its windows and libraries would only delay its end.
    if (run == entry::Run::Extraction) platform::ExitNow(code);
    return code;
}
