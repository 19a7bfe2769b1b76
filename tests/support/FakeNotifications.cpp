#include "FakeNotifications.h"

#include <QFile>

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// The session bus's rules without its service folders: no service is ever started.
const char* const kConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

PrivateBus::PrivateBus()
{
    QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
    if (!m_dir.isValid() || !config.open(QIODevice::WriteOnly) ||
        config.write(QString::fromLatin1(kConfig).arg(m_dir.path()).toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write the bus configuration");
        return;
    }
    config.close();
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                   QStringLiteral("--print-address"), QStringLiteral("--nofork")});
    if (!m_daemon.waitForStarted(10000)) {
        m_error =
            QStringLiteral("dbus-daemon does not start (scripts/setup.sh installs it): ") + m_daemon.errorString();
        return;
    }
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) {
        m_error =
            QStringLiteral("dbus-daemon printed no address: ") + QString::fromUtf8(m_daemon.readAllStandardError());
    }
}

PrivateBus::~PrivateBus()
{
    for (const QString& name : std::as_const(m_connections)) {
        QDBusConnection::disconnectFromBus(name);
    }
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
}

QString PrivateBus::address() const
{
    return m_address;
}

QString PrivateBus::error() const
{
    return m_error;
}

QDBusConnection PrivateBus::connect(const QString& name)
{
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
}

bool FakeNotifications::serveOn(const QDBusConnection& bus)
{
    m_bus = bus;
    return m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
           m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

QStringList FakeNotifications::GetCapabilities()
{
    return capabilities;
}

uint FakeNotifications::Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                               const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
{
    notices.append({app, replaces, icon, summary, body, actions, hints, timeout});
    // A replacement keeps its number; a new one takes the next.
    const uint id = replaces != 0 ? replaces : ++m_last;
    if (holdReplies) {
        setDelayedReply(true);
        m_held.append(message().createReply(id));
    }
    return id;
}

void FakeNotifications::release()
{
    for (const QDBusMessage& reply : std::as_const(m_held)) {
        m_bus.send(reply);
    }
    m_held.clear();
}

void FakeNotifications::CloseNotification(uint id)
{
    closed.append(id);
}

void FakeNotifications::invoke(uint id, const QString& action)
{
    emitSignal(QStringLiteral("ActionInvoked"), {id, action});
}

void FakeNotifications::closeByService(uint id, uint reason)
{
    emitSignal(QStringLiteral("NotificationClosed"), {id, reason});
}

void FakeNotifications::emitSignal(const QString& name, const QList<QVariant>& args)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, name);
    signal.setArguments(args);
    m_bus.send(signal);
}
