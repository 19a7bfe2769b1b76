#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>

// Drives the next modal dialog that the code under test opens with exec(). Start
// it before the trigger; it always closes the dialog afterwards, so a failed check
// never leaves a test hanging.
class ModalPoller
{
public:
    using Drive = std::function<void(QDialog*)>;
    explicit ModalPoller(Drive drive) : m_drive(std::move(drive))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { poll(); });
        m_timer.start();
    }
    bool handled() const
    {
        return m_handled;
    }

private:
    void poll()
    {
        QPointer<QDialog> d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d) {
            return;
        }
        m_timer.stop();
        m_handled = true;
        m_drive(d);
        if (d && d->isVisible()) {
            d->reject();
        }
    }
    Drive m_drive;
    QTimer m_timer;
    bool m_handled = false;
};
