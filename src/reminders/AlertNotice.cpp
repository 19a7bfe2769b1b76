#include "AlertNotice.h"

#include "TFormShowAlam.h"
#include "base/Clock.h"
#include "base/ExceptionHandler.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QTextEdit>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// Why the service closed a notification: it expired, the user closed it, a call
// closed it, or it gives no reason.
constexpr uint kExpired = 1;

QString g_bus; // the connection's name; empty: the session bus

QDBusMessage call(const QString& method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

QDBusConnection busNamed(const QString& name)
{
    return name.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(name);
}

void closeNotification(const QString& bus, uint id)
{
    QDBusMessage close = call(QStringLiteral("CloseNotification"));
    close << id;
    busNamed(bus).send(close);
}

} // namespace

// Hears the service's two signals and hands each to the notice it names.
class NoticeRouter : public QObject
{
    Q_OBJECT

public:
    static NoticeRouter* instance(bool make = true)
    {
        static QPointer<NoticeRouter> router;
        if (!router && make) {
            router = new NoticeRouter(qApp);
        }
        return router;
    }

    explicit NoticeRouter(QObject* parent) : QObject(parent)
    {
        // Notifications must not outlive the program: their answers would reach nobody.
        connect(qApp, &QCoreApplication::aboutToQuit, this, guard([this] { closeAllNow(); }));
    }

    // Forgets the buses it listened on and the notifications posted there.
    void forget()
    {
        for (const QString& old : std::as_const(m_watched)) {
            busNamed(old).disconnect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                                     SLOT(ActionInvoked(uint, QString)));
            busNamed(old).disconnect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                                     SLOT(NotificationClosed(uint, uint)));
        }
        m_watched.clear();
        for (AlertNotice* notice : std::as_const(m_notices)) {
            if (notice) {
                notice->m_closed = true; // it belongs to a bus no longer heard
            }
        }
        m_notices.clear();
    }

    // Listens on the bus once; D-Bus signals reach only slots named by their text.
    void watch(const QString& name)
    {
        if (m_watched.contains(name)) {
            return;
        }
        QDBusConnection bus = busNamed(name);
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(ActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(NotificationClosed(uint, uint)));
        m_watched.insert(name);
    }

    void add(uint id, AlertNotice* notice)
    {
        m_notices.insert(id, notice);
    }

    void remove(uint id, const AlertNotice* notice)
    {
        if (m_notices.value(id) == notice) {
            m_notices.remove(id);
        }
    }

private slots:
    void ActionInvoked(uint id, const QString& action)
    {
        Guarded([&] {
            // Any other action (a click on the notification itself) answers nothing.
            if (action != QLatin1String(AlertNotice::kSeenAction) &&
                action != QLatin1String(AlertNotice::kLaterAction)) {
                return;
            }
            if (QPointer<AlertNotice> notice = m_notices.take(id)) {
                notice->actionInvoked(action);
            }
        });
    }

    void NotificationClosed(uint id, uint reason)
    {
        Guarded([&] {
            QPointer<AlertNotice> notice = m_notices.take(id);
            if (!notice) {
                return;
            }
            notice->m_closed = true;
            // One that only timed out leaves its alert on the screen.
            if (reason != kExpired) {
                notice->closedByService();
            }
        });
    }

private:
    void closeAllNow()
    {
        // The loop has ended: wait for the service, but never long.
        QElapsedTimer waited;
        waited.start();
        for (AlertNotice* notice : std::as_const(m_notices)) {
            const int left = 500 - static_cast<int>(waited.elapsed());
            if (!notice || left <= 0) {
                continue;
            }
            QDBusMessage close = call(QStringLiteral("CloseNotification"));
            close << notice->m_id;
            busNamed(notice->m_bus).call(close, QDBus::Block, left);
            notice->m_closed = true;
        }
        m_notices.clear();
    }

    QSet<QString> m_watched;
    QHash<uint, QPointer<AlertNotice>> m_notices;
};

void AlertNotice::setBus(const QString& connectionName)
{
    if (NoticeRouter* router = NoticeRouter::instance(false)) {
        router->forget();
    }
    g_bus = connectionName;
}

void AlertNotice::Post(TFormShowAlam* alert)
{
    new AlertNotice(alert);
}

AlertNotice::AlertNotice(TFormShowAlam* alert) : QObject(alert), m_alert(alert)
{
    m_bus = g_bus;
    QDBusConnection bus = busNamed(m_bus);
    if (!bus.isConnected()) {
        return;
    }
    NoticeRouter* router = NoticeRouter::instance();
    router->watch(m_bus);
    // Whether the service reads the text as markup decides how it is sent.
    auto* asked = new QDBusPendingCallWatcher(bus.asyncCall(call(QStringLiteral("GetCapabilities"))), router);
    QPointer<AlertNotice> self(this);
    connect(asked, &QDBusPendingCallWatcher::finished, router, guard([self, asked] {
                asked->deleteLater();
                const QDBusPendingReply<QStringList> reply = *asked;
                if (self && !reply.isError()) {
                    self->m_markup = reply.value().contains(QStringLiteral("body-markup"));
                    self->notify();
                }
            }));
    // The notification says what the alert says, also when that changes (a lock).
    connect(alert->mmo1, &QTextEdit::textChanged, this, guard([this] { refresh(); }));
}

AlertNotice::~AlertNotice()
{
    if (m_id == 0) {
        return;
    }
    NoticeRouter::instance()->remove(m_id, this);
    if (!m_closed) {
        closeNotification(m_bus, m_id);
    }
}

uint AlertNotice::Id() const
{
    return m_id;
}

void AlertNotice::refresh()
{
    if (!m_asked || m_closed) {
        return;
    }
    if (m_inFlight) {
        m_stale = true;
    } else if (m_alert->mmo1->toPlainText() != m_sent) {
        notify();
    }
}

void AlertNotice::notify()
{
    m_asked = true;
    m_inFlight = true;
    m_sent = m_alert->mmo1->toPlainText();
    QDBusMessage notify = call(QStringLiteral("Notify"));
    // Never expires and stays until answered, as the alert window does; once
    // posted, a new text replaces it in place.
    notify << QStringLiteral("Vornet-Halvik") << m_id << QString() << QStringLiteral("提醒")
           << (m_markup ? m_sent.toHtmlEscaped() : m_sent)
           << QStringList{QString::fromLatin1(kSeenAction), QStringLiteral("看到了"), QString::fromLatin1(kLaterAction),
                          QStringLiteral("稍后提醒")}
           << QVariantMap{{QStringLiteral("urgency"), QVariant::fromValue(uchar(2))}} << qint32(0);
    NoticeRouter* router = NoticeRouter::instance();
    auto* sent = new QDBusPendingCallWatcher(busNamed(m_bus).asyncCall(notify), router);
    QPointer<AlertNotice> self(this);
    connect(sent, &QDBusPendingCallWatcher::finished, router, guard([self, sent, bus = m_bus] {
                sent->deleteLater();
                const QDBusPendingReply<uint> reply = *sent;
                if (self) {
                    self->m_inFlight = false;
                }
                if (reply.isError()) {
                    return;
                }
                if (self) {
                    self->posted(reply.value());
                } else {
                    // The alert was answered while the service was still putting it up.
                    closeNotification(bus, reply.value());
                }
            }));
}

void AlertNotice::posted(uint id)
{
    if (m_id != 0 && m_id != id) {
        NoticeRouter::instance()->remove(m_id, this);
    }
    m_id = id;
    NoticeRouter::instance()->add(id, this);
    if (m_stale) {
        m_stale = false;
        refresh();
    }
}

void AlertNotice::actionInvoked(const QString& action)
{
    if (action == QLatin1String(kSeenAction)) {
        m_alert->btnOkSaveClick();
    } else if (action == QLatin1String(kLaterAction)) {
        m_alert->SnoozeTo(Clock::now().addSecs(kLaterSeconds));
    }
}

void AlertNotice::closedByService()
{
    // Closed unanswered: a one-off reminder stays unseen and is listed as missed.
    m_alert->close();
}

#include "AlertNotice.moc"
