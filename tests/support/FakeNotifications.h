#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

// A session bus of the test's own: a dbus-daemon that starts no services, so
// nothing on the machine answers in a test's place. Gone with the object.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();

    // Empty when the daemon did not start; error() says why.
    QString address() const;
    QString error() const;
    // A new connection to the bus under a name of its own.
    QDBusConnection connect(const QString& name);

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
    QStringList m_connections;
};

// A desktop notification service that records what it is asked and sends the
// signals a test tells it to.
class FakeNotifications : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notice
    {
        QString app;
        uint replaces;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout;
    };

    // Registers the service on the connection; false when the name is taken.
    bool serveOn(const QDBusConnection& bus);

    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};
    // Keeps each Notify's answer until release() sends them.
    bool holdReplies = false;
    void release();

    QList<Notice> notices; // every Notify, in order; the first new one has number 1
    QList<uint> closed;    // every CloseNotification's number

    // The service's two signals.
    void invoke(uint id, const QString& action);
    void closeByService(uint id, uint reason);

public slots:
    QStringList GetCapabilities();
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout);
    void CloseNotification(uint id);

private:
    void emitSignal(const QString& name, const QList<QVariant>& args);

    QDBusConnection m_bus{QString()};
    QList<QDBusMessage> m_held;
    uint m_last = 0;
};
