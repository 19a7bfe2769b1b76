#pragma once

#include <QAction>
#include <QMenu>

// A menu item carrying its given name, so that tests can find it.
inline QAction* AddNamedAction(QMenu* menu, const char* name, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
}
