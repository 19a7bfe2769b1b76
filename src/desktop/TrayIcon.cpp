#include "TrayIcon.h"

#include "base/AppIcon.h"
#include "base/ExceptionHandler.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>

TrayIcon::TrayIcon(QWidget* window, QMenu* menu) : QObject(window)
{
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
    if (reason == QSystemTrayIcon::DoubleClick) {
        emit restoreRequested();
    }
}
