#include "WindowLock.h"

#include "base/AppLock.h"
#include "reminders/TFormShowAlam.h"
#include "settings/TFormPass.h"
#include "store/TConfig.h"

#include <QApplication>
#include <QWidget>

WindowLock::WindowLock(QObject* parent) : QObject(parent)
{}

bool WindowLock::Available()
{
    return ConfigStore.bPass && !ConfigStore.PassWord.isEmpty();
}

void WindowLock::Lock()
{
    if (!Available() || AppLock::isLocked()) {
        return;
    }
    if (QApplication::activeModalWidget()) {
        m_pending = true;
        return;
    }
    m_pending = false;
    AppLock::setLocked(true);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        // The alerts stay, and so does the tray icon: on X11 it is a window of its
        // own, embedded in the tray, and hidden it could not bring the program back.
        if (!window->isVisible() || qobject_cast<TFormShowAlam*>(window) ||
            window->windowFlags().testFlag(Qt::BypassWindowManagerHint) || window->inherits("QSystemTrayIconSys")) {
            continue;
        }
        const Qt::WindowType type = window->windowType();
        window->hide();
        // Menus and tips are not brought back.
        if (type != Qt::Popup && type != Qt::ToolTip) {
            m_hidden.append(window);
        }
    }
}

bool WindowLock::Unlock()
{
    m_pending = false;
    if (!AppLock::isLocked()) {
        return true;
    }
    if (m_asking) {
        return false; // the password dialog is already open
    }
    m_asking = true;
    const bool right = AskPassword(ConfigStore.PassWord, QStringLiteral("先输入密码登录软件")) == mrOk;
    m_asking = false;
    if (!right) {
        return false;
    }
    AppLock::setLocked(false);
    const QList<QPointer<QWidget>> hidden = std::exchange(m_hidden, {});
    for (const QPointer<QWidget>& window : hidden) {
        if (window) {
            window->show();
        }
    }
    const QList<std::function<void()>> deferred = std::exchange(m_deferred, {});
    for (const auto& show : deferred) {
        show();
    }
    return true;
}

void WindowLock::Tick()
{
    if (m_pending && !QApplication::activeModalWidget()) {
        Lock();
    }
}

void WindowLock::WhenUnlocked(std::function<void()> show)
{
    if (AppLock::isLocked()) {
        m_deferred.append(std::move(show));
    } else {
        show();
    }
}
