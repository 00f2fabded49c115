// The run's progress on the task-bar button through ITaskbarList3: a normal
// bar while it runs, the error state while its failure report is open.
#include <windows.h>
#include <shobjidl.h>

#include <QApplication>
#include <QWidget>
#include <algorithm>

#include "extract/TaskBar.h"

namespace {

ITaskbarList3* taskBar() {
    static ITaskbarList3* list = [] {
        ITaskbarList3* made = nullptr;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskbarList3, reinterpret_cast<void**>(&made))) ||
            FAILED(made->HrInit())) {
            if (made) made->Release();
            made = nullptr;
        }
        return made;
    }();
    return list;
}

// The button belongs to the run's visible top-level window.
HWND runWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->parentWidget()) return reinterpret_cast<HWND>(w->winId());
    return nullptr;
}

}  // namespace

TaskBarProgress::TaskBarProgress() = default;

TaskBarProgress::~TaskBarProgress() { finish(); }

QString TaskBarProgress::applicationId() { return QStringLiteral("tarnwick.desktop"); }

QString TaskBarProgress::objectPath() { return QStringLiteral("/"); }

bool TaskBarProgress::connected() {
    if (state_ == 0) state_ = taskBar() ? 1 : -1;
    return state_ == 1;
}

void TaskBarProgress::setProgress(double fraction, bool now) {
    if (!now && shown_ && sinceLast_.isValid() && sinceLast_.elapsed() < kIntervalMs) return;
    if (!connected()) return;
    HWND window = runWindow();
    if (!window) return;
    if (!shown_ && !urgent_) taskBar()->SetProgressState(window, TBPF_NORMAL);
    shown_ = true;
    const ULONGLONG done = static_cast<ULONGLONG>(std::clamp(fraction, 0.0, 1.0) * 1000.0);
    taskBar()->SetProgressValue(window, done, 1000);
    sinceLast_.start();
}

void TaskBarProgress::setUrgent() {
    if (urgent_ || !connected()) return;
    urgent_ = true;
    if (HWND window = runWindow()) {
        taskBar()->SetProgressState(window, TBPF_ERROR);
        FLASHWINFO flash{sizeof(FLASHWINFO), window, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&flash);
    }
}

void TaskBarProgress::finish() {
    if (!shown_ && !urgent_) return;
    shown_ = urgent_ = false;
    if (!connected()) return;
    if (HWND window = runWindow()) taskBar()->SetProgressState(window, TBPF_NOPROGRESS);
}
