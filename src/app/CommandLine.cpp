#include "app/CommandLine.h"

#include <QString>
#include <cstdio>
#include <cstdlib>

#include "app/Entry.h"
#include "app/Version.h"
#include "platform/Files.h"

namespace {

const char kHelp[] =
    "Usage: tarnwick ARCHIVE...\n"
    "       tarnwick\n"
    "       tarnwick shutdown\n"
    "\n"
    "  tarnwick ARCHIVE...  extracts each RAR archive in turn, with the options of the\n"
    "                       main window; a first argument naming an existing file is\n"
    "                       always taken as an archive\n"
    "  tarnwick             opens the main window with the options, help and about pages\n"
    "  tarnwick shutdown    ends every running extraction of this program and its\n"
    "                       siblings\n"
    "  tarnwick --help      shows this text\n"
    "  tarnwick --version   shows the version\n"
    "\n"
    "Environment:\n"
    "  TARNWICK_UNRAR_LIBRARY  the RAR extraction library to load instead of\n"
    "                          libunrar.so.5 (Debian package libunrar5, non-free)\n"
    "  TARNWICK_DIALOG_SCRIPT  a file of answers to the dialogs, for unattended runs\n"
    "  XDG_CONFIG_HOME         the settings live in $XDG_CONFIG_HOME/Ostrel/Tarnwick/\n"
    "                          (~/.config/Ostrel/Tarnwick/ when it is unset)\n";

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Qt ends the process with abort() (and a core dump) when no platform plugin
// can be started, e.g. for a display that does not answer: end with one line
// and exit code 2 instead.
QtMessageHandler previousHandler = nullptr;

void handleQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
        std::fprintf(stderr, "tarnwick: cannot open a window: the display does not answer (%s)\n",
                     set("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY")
                     : set("DISPLAY")       ? std::getenv("DISPLAY")
                                            : "QT_QPA_PLATFORM");
        platform::ExitNow(2);
    }
    if (previousHandler) previousHandler(type, context, text);
}

}  // namespace

int HandleCommandLine(int argc, char** argv) {
    const char* first = argc > 1 ? argv[1] : nullptr;
    switch (entry::CommandLineRequest(first)) {
        case entry::Request::Help:
            std::fputs(kHelp, stdout);
            return 0;
        case entry::Request::Version:
            std::printf("Tarnwick %s\n", TARNWICK_VERSION);
            return 0;
        case entry::Request::None:
            break;
    }
    if (entry::Decide(first) == entry::Run::Shutdown) return -1;
    if (!set("QT_QPA_PLATFORM") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
        std::fputs(
            "tarnwick: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is "
            "set)\n",
            stderr);
        return 2;
    }
    previousHandler = qInstallMessageHandler(handleQtMessage);
    return -1;
}
