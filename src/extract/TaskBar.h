#pragma once
// The run's progress on the program's task-bar entry or dock icon: the
// com.canonical.Unity.LauncherEntry "Update" signal on the session bus, for
// the desktop entry tarnwick.desktop, as task managers and docks read it; on
// Windows the task-bar button's ITaskbarList3 bar (TaskBar_win.cpp).
//
// Without a session bus nothing is sent and nothing waits. Signals go out
// asynchronously and at most a few times a second, so the extraction never
// waits for them; only the run's last message waits (briefly) until the bus
// has it, so that the entry does not keep a bar of a run that has ended.

#include <QElapsedTimer>
#include <QString>
#include <QVariantMap>

class TaskBarProgress {
public:
    TaskBarProgress();
    ~TaskBarProgress();  // finish()
    TaskBarProgress(const TaskBarProgress&) = delete;
    TaskBarProgress& operator=(const TaskBarProgress&) = delete;

    // Shows `fraction` (0..1) of the run done. Called for every block the
    // library reports; sends only when the last signal is old enough, or
    // when `now` asks for it (the start and the end of an attempt).
    void setProgress(double fraction, bool now = false);
    // Asks for the user's attention: the run's failure report is open.
    void setUrgent();
    // The run is over: hides the bar and clears the attention request.
    void finish();

    // The desktop entry and the object path the signals name.
    static QString applicationId();
    static QString objectPath();
    // Minimum time between two progress signals.
    static constexpr qint64 kIntervalMs = 250;

private:
    bool connected();
    void send(const QVariantMap& properties);

    int state_ = 0;  // 0 not tried, 1 bus connected, -1 no bus
    bool shown_ = false;
    bool urgent_ = false;
    QElapsedTimer sinceLast_;
};
