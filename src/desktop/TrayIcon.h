#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QMenu;
class QTimer;
class QWidget;

// The notification-area icon: the program's icon with the tip "Vornet" and the
// tray menu; a double-click brings the window back, and so does a single click on
// a StatusNotifier host, which never reports a double-click. When the tray host
// starts after the program (common at log-on), the icon shows once it is there.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    TrayIcon(QWidget* window, QMenu* menu);
    ~TrayIcon() override;

    // Whether minimising may hide the window: only while the icon is really shown.
    bool Usable() const;
    QSystemTrayIcon* icon() const
    {
        return m_icon;
    }
    // What the icon's activations do: a double-click restores the window; so does
    // a single click where the host sends only single clicks.
    void WMTrayNotify(QSystemTrayIcon::ActivationReason reason);
    // Whether the icon sits on a StatusNotifier host (decided when it is made).
    bool SingleClickHost() const
    {
        return m_singleClickHost;
    }

    // Tests name a bus connection of their own (a name without a connection is no
    // bus at all); empty restores the session bus.
    static void setBus(const QString& connectionName);

signals:
    // A double-click on the icon.
    void restoreRequested();

private:
    void watchForTray();

    QSystemTrayIcon* m_icon;
    QTimer* m_watch;
    bool m_shown = false;
    bool m_singleClickHost = false;
};
