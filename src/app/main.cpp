// The program's entry: the shutdown run, the extraction run or the plain start.

#include "extract/Main.h"

#include <langinfo.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <clocale>
#include <cstring>
#include <map>
#include <vector>

#include "app/Entry.h"
#include "platform/Processes.h"
#include "ui/About.h"
#include "ui/Dialogs.h"

namespace {

// The library converts 8-bit archive names and passwords with the C library;
// a bare "C" locale would lose every non-ASCII character.
void useUtf8Locale() {
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

// Answers the program's dialogs without a person, for unattended runs and the
// end-to-end tests: TARNWICK_DIALOG_SCRIPT names a file of lines
//     <dialog class> <token> <token> ...
// where a token "Name=text" puts text into the line edit Name, "close" closes
// the dialog by its frame, and any other token clicks the button of that name
// ("accept" for a message box's OK). A class's lines are used in turn, the last
// one again and again. Every dialog shown is logged to <script>.log as
// "<pid> <class> | <caption> | <message or file name>".
class DialogAutopilot : public QObject {
public:
    explicit DialogAutopilot(const QString& scriptPath)
        : log_(scriptPath + QStringLiteral(".log")) {
        QFile script(scriptPath);
        if (script.open(QIODevice::ReadOnly | QIODevice::Text))
            for (const QString& line :
                 QString::fromUtf8(script.readAll()).split(QLatin1Char('\n'))) {
                QStringList tokens = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (tokens.size() < 2) continue;
                const QString cls = tokens.takeFirst();
                answers_[cls].push_back(tokens);
            }
        log_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog && dialog->isWindow()) seen(dialog);
        }
        return false;
    }

private:
    void seen(QDialog* dialog) {
        const QString cls = QString::fromLatin1(dialog->metaObject()->className());
        QString text;
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            text = box->text();
        else if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("FilenameBox")))
            text = name->text();
        else if (auto* folder = dialog->findChild<QLineEdit*>(QStringLiteral("FolderBox")))
            text = folder->text();
        log_.write((QString::number(QCoreApplication::applicationPid()) + QLatin1Char(' ') + cls +
                    QStringLiteral(" | ") + dialog->windowTitle() + QStringLiteral(" | ") + text +
                    QLatin1Char('\n'))
                       .toUtf8());
        log_.flush();
        auto found = answers_.find(cls);
        if (found == answers_.end() || found->second.empty()) return;
        std::size_t& next = used_[cls];
        const QStringList tokens = found->second[std::min(next, found->second.size() - 1)];
        ++next;
        QPointer<QDialog> target(dialog);
        QTimer::singleShot(50, dialog, [target, tokens] {
            for (const QString& token : tokens) {
                if (!target) return;
                if (token == QLatin1String("close")) {
                    target->close();
                } else if (token == QLatin1String("accept")) {
                    target->accept();
                } else if (token.contains(QLatin1Char('='))) {
                    const QString name = token.section(QLatin1Char('='), 0, 0);
                    if (auto* edit = target->findChild<QLineEdit*>(name))
                        edit->setText(token.section(QLatin1Char('='), 1));
                } else if (auto* button = target->findChild<QAbstractButton*>(token)) {
                    button->click();
                }
            }
        });
    }

    QFile log_;
    std::map<QString, std::vector<QStringList>> answers_;
    std::map<QString, std::size_t> used_;
};

}  // namespace

int main(int argc, char** argv) {
    const char* first = argc > 1 ? argv[1] : nullptr;
    const entry::Run run = entry::Decide(first);
    if (run == entry::Run::Shutdown) {
        platform::TerminateByNames(entry::kSiblingExecutables);
        return 0;
    }

    useUtf8Locale();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tarnwick"));
    // Each run ends when its own main window goes, not when the last window does:
    // the main window stays hidden through an extraction run.
    QApplication::setQuitOnLastWindowClosed(false);
    dialogs::InstallCoreMessageHandler();
    const QString script = qEnvironmentVariable("TARNWICK_DIALOG_SCRIPT");
    DialogAutopilot* autopilot = nullptr;
    if (!script.isEmpty()) {
        autopilot = new DialogAutopilot(script);
        app.installEventFilter(autopilot);
    }

    TMobrelProgressForm* progress = nullptr;
    if (run == entry::Run::Extraction) {
        // The arguments byte for byte: a file name need not be valid UTF-8.
        progress = new TMobrelProgressForm(std::vector<std::string>(argv + 1, argv + argc));
        progress->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(progress, &QObject::destroyed, &app, &QCoreApplication::quit);
    }
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
    delete autopilot;
    return code;
}
