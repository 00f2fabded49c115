#pragma once
// Shared set-up of the dialog tests: a fresh settings folder, a hidden main
// window and a progress window whose run never starts, so the dialogs read
// and write the run's flags and settings files as in a real run.

#include <gtest/gtest.h>

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>

#include "extract/Main.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "ui/About.h"

class QWidget;

// Records the web pages the dialogs ask to open instead of starting a browser.
class PageCatcher : public QObject {
    Q_OBJECT
public:
    PageCatcher();
    ~PageCatcher() override;
    QStringList pages;
public slots:
    void open(const QUrl& url);
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The settings folder, ending in '/'.
    std::string Settings() const { return config->SettingsFolder; }
    std::string SettingsFile(const char* name) const { return Settings() + name; }
    bool HasSetting(const char* name) const;
    void WriteSetting(const char* name, const std::string& data) const;
    std::string ReadSetting(const char* name) const;

    testing_support::TempDir temp;
    // Put back after the test: SetUp points them into `temp`.
    testing_support::ScopedEnv savedConfig{"XDG_CONFIG_HOME"}, savedHome{"HOME"},
        savedRuntime{"XDG_RUNTIME_DIR"};
    std::unique_ptr<TfrmConfig> config;
    std::unique_ptr<TMobrelProgressForm> run;
};

// Runs `act` on the next modal dialog other than `except` once it is shown
// (polling the event loop); gives up after five seconds. Arm it before the
// call that runs exec().
void OnModal(const std::function<void(QWidget*)>& act, QWidget* except = nullptr);

// Closes every modal dialog still open (a failed check must not hang the run).
void CloseModals();

// Processes events for `ms` milliseconds.
void Wait(int ms);

// Processes events until `done` holds, at most `maxMs` milliseconds (a loaded
// machine may be slow); returns whether it holds.
bool WaitUntil(const std::function<bool()>& done, int maxMs = 10000);
