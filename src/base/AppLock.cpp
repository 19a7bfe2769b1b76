#include "AppLock.h"

AppLock* AppLock::instance()
{
    static AppLock lock;
    return &lock;
}

bool AppLock::isLocked()
{
    return instance()->m_locked;
}

void AppLock::setLocked(bool locked)
{
    AppLock* lock = instance();
    if (lock->m_locked != locked) {
        lock->m_locked = locked;
        emit lock->changed(locked);
    }
}
