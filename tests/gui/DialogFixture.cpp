#include "DialogFixture.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <filesystem>

#include "ui/Dialogs.h"

PageCatcher::PageCatcher() {
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
}

PageCatcher::~PageCatcher() { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

void PageCatcher::open(const QUrl& url) { pages << url.toString(); }

void DialogTest::SetUp() {
    // The main window computes its settings folder from the environment; keep
    // it away from the user's own.
    setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
    setenv("HOME", temp.path().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", temp.path().c_str(), 1);
    config = std::make_unique<TfrmConfig>();
    const std::string folder = temp / "settings/";
    std::filesystem::create_directories(folder);
    config->SettingsFolder = folder;
    config->InterfaceLanguage = 1033;
    run = std::make_unique<TMobrelProgressForm>();
    // The dialogs are driven by the test, not by a run of the progress window.
    for (QTimer* timer : run->findChildren<QTimer*>()) timer->stop();
    run->frmConfig = config.get();
    dialogs::RecordMessages(true);
}

void DialogTest::TearDown() {
    CloseModals();
    dialogs::RecordMessages(false);
    dialogs::TakeRecordedMessages();
    run.reset();
    config.reset();
}

bool DialogTest::HasSetting(const char* name) const {
    return testing_support::PathExists(SettingsFile(name));
}

void DialogTest::WriteSetting(const char* name, const std::string& data) const {
    testing_support::WriteFile(SettingsFile(name), data);
}

std::string DialogTest::ReadSetting(const char* name) const {
    return testing_support::ReadFile(SettingsFile(name));
}

void OnModal(const std::function<void(QWidget*)>& act, QWidget* except) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act, except] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool up = modal && modal != except && modal->isVisible();
        if (!up && clock->elapsed() < 5000) return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (up) {
            QPointer<QWidget> dialog(modal);
            act(modal);
            // A check that failed before closing the dialog must not hang the run.
            QTimer::singleShot(3000, [dialog] {
                if (dialog && dialog->isVisible()) {
                    ADD_FAILURE() << "dialog left open";
                    dialog->close();
                }
            });
        } else {
            ADD_FAILURE() << "no modal dialog came up";
        }
    });
    timer->start();
}

void CloseModals() {
    for (int i = 0; i < 10; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        modal->close();
        QApplication::processEvents();
    }
}

void Wait(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

bool WaitUntil(const std::function<bool()>& done, int maxMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > maxMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}
