#include "TrayIcon.h"

#include "base/AppIcon.h"
#include "base/ExceptionHandler.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QMenu>
#include <QTimer>
#include <QWidget>

namespace {

QString g_bus;

// Whether the toolkit puts the icon on a StatusNotifier host: it does whenever the
// session bus has a watcher with a host registered, and asks just that when the
// icon is made. Such a host reports a click as a single activation only.
bool statusNotifierHost()
{
    QDBusConnection bus = g_bus.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(g_bus);
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher)) {
        return false;
    }
    // Asked exactly as the toolkit asks, so that both come to the same answer.
    QDBusInterface host(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return host.isValid() && host.property("IsStatusNotifierHostRegistered").toBool();
}

} // namespace

void TrayIcon::setBus(const QString& connectionName)
{
    g_bus = connectionName;
}

TrayIcon::TrayIcon(QWidget* window, QMenu* menu) : QObject(window)
{
    m_singleClickHost = statusNotifierHost();
    m_icon = new QSystemTrayIcon(AppIcon(), this);
    m_icon->setObjectName(QStringLiteral("TrayIcon"));
    m_icon->setToolTip(QStringLiteral("Vornet"));
    m_icon->setContextMenu(menu);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            guard([this](QSystemTrayIcon::ActivationReason reason) { WMTrayNotify(reason); }));
    // The tray host may come up after the program: look again every few seconds.
    m_watch = new QTimer(this);
    m_watch->setInterval(5000);
    connect(m_watch, &QTimer::timeout, this, &TrayIcon::watchForTray);
    m_watch->start();
    watchForTray();
}

TrayIcon::~TrayIcon()
{
    m_icon->hide();
}

void TrayIcon::watchForTray()
{
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available && !m_shown) {
        m_icon->show();
        m_shown = true;
    } else if (!available && m_shown) {
        m_icon->hide();
        m_shown = false;
    }
}

bool TrayIcon::Usable() const
{
    return m_shown && m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::WMTrayNotify(QSystemTrayIcon::ActivationReason reason)
{
    // The menu of a right click is shown by the tray itself.
    if (reason == QSystemTrayIcon::DoubleClick || (reason == QSystemTrayIcon::Trigger && m_singleClickHost)) {
        emit restoreRequested();
    }
}
