#pragma once

#include <QObject>

// Whether the program is locked: its windows hidden until the login password is
// typed again, while reminders keep falling due. The one place every window
// asks (an alert shows "有提醒" instead of its text), and is told of changes.
class AppLock : public QObject
{
    Q_OBJECT

public:
    static AppLock* instance();
    static bool isLocked();
    static void setLocked(bool locked);

signals:
    void changed(bool locked);

private:
    AppLock() = default;
    bool m_locked = false;
};
