#pragma once

#include <QIcon>
#include <QString>

// The program's icons are SVG, drawn at whatever size a scaled screen asks for;
// each has a PNG beside it for a toolkit without SVG support.

// The resource file of the icon of this name (":/icons/NAME.svg" or ":/NAME.png").
QString ResourceIconFile(const QString& name);
QIcon ResourceIcon(const QString& name);

// The program's own icon: window, tray, menu entry.
QIcon AppIcon();
