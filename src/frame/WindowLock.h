#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

// Locks the program while the login password is on: every window but the
// alerts is hidden (AppLock tells the alerts), and shown again only once the
// password is typed. Reminders keep falling due meanwhile.
class WindowLock : public QObject
{
    Q_OBJECT

public:
    explicit WindowLock(QObject* parent = nullptr);

    // Whether locking means anything: the login password is on and set.
    static bool Available();
    // Locks now, or, while a dialog waits for an answer, once it is gone: hiding
    // a dialog would end it and lose what was typed in it.
    void Lock();
    // When locked, asks for the password first; true once the program is unlocked.
    bool Unlock();
    // A lock put off by a dialog takes effect here, once the dialog is gone.
    void Tick();
    // Runs `show` now, or once unlocked: a window that shows reminder texts.
    void WhenUnlocked(std::function<void()> show);

private:
    QList<QPointer<QWidget>> m_hidden;
    QList<std::function<void()>> m_deferred;
    bool m_pending = false;
    bool m_asking = false;
};
