#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QMenu;
class QTimer;
class QWidget;

// The notification-area icon: the program's icon with the tip "Vornet" and the
// tray menu; a double-click brings the window back. When the tray host starts
// after the program (common at log-on), the icon shows once it is there.
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
    // What the icon's activations do: only a double-click restores the window.
    void WMTrayNotify(QSystemTrayIcon::ActivationReason reason);

signals:
    // A double-click on the icon.
    void restoreRequested();

private:
    void watchForTray();

    QSystemTrayIcon* m_icon;
    QTimer* m_watch;
    bool m_shown = false;
};
