#include "extract/TaskBar.h"

#include <sys/stat.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <algorithm>

namespace {
constexpr char kInterface[] = "com.canonical.Unity.LauncherEntry";
}  // namespace

TaskBarProgress::TaskBarProgress() = default;

TaskBarProgress::~TaskBarProgress() { finish(); }

QString TaskBarProgress::applicationId() {
    return QStringLiteral("application://tarnwick.desktop");
}

QString TaskBarProgress::objectPath() {
    // One path for every run of the program: the entry belongs to the program.
    return QStringLiteral("/com/canonical/unity/launcherentry/tarnwick");
}

bool TaskBarProgress::connected() {
    if (state_ == 0) {
        state_ = -1;
        // Only a bus that exists: without an address libdbus would try to
        // start one (X11 autolaunch) and the run would wait for it.
        bool known = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
        if (!known && !qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            struct stat st;
            const QByteArray socket = qgetenv("XDG_RUNTIME_DIR") + "/bus";
            known = ::stat(socket.constData(), &st) == 0 && S_ISSOCK(st.st_mode);
        }
        if (known && QDBusConnection::sessionBus().isConnected()) state_ = 1;
    }
    return state_ == 1;
}

void TaskBarProgress::send(const QVariantMap& properties) {
    if (!connected()) return;
    QDBusMessage signal = QDBusMessage::createSignal(objectPath(), QString::fromLatin1(kInterface),
                                                     QStringLiteral("Update"));
    signal << applicationId() << properties;
    QDBusConnection::sessionBus().send(signal);  // queued; never waits
    sinceLast_.start();
}

void TaskBarProgress::setProgress(double fraction, bool now) {
    if (!now && shown_ && sinceLast_.isValid() && sinceLast_.elapsed() < kIntervalMs) return;
    if (state_ < 0) return;
    QVariantMap properties{{QStringLiteral("progress"), std::clamp(fraction, 0.0, 1.0)}};
    if (!shown_) properties.insert(QStringLiteral("progress-visible"), true);
    shown_ = true;
    send(properties);
}

void TaskBarProgress::setUrgent() {
    if (urgent_ || state_ < 0) return;
    urgent_ = true;
    send({{QStringLiteral("urgent"), true}});
}

void TaskBarProgress::finish() {
    if (!shown_ && !urgent_) return;
    QVariantMap properties{{QStringLiteral("progress-visible"), false}};
    if (urgent_) properties.insert(QStringLiteral("urgent"), false);
    shown_ = urgent_ = false;
    send(properties);
    if (state_ != 1) return;
    // The bus delivers in order: once it answers a ping, it has the signal.
    // The process may end right after this, which would drop a queued one.
    QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    QDBusConnection::sessionBus().call(ping, QDBus::Block, 500);
}
