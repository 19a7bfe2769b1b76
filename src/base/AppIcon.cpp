#include "AppIcon.h"

#include <QImageReader>

QString ResourceIconFile(const QString& name)
{
    // Asking for one reader loads only the plugin for its suffix; the list of every
    // supported format would load them all.
    static const bool svg = QImageReader(QStringLiteral(":/icons/app.svg")).canRead();
    return svg ? QStringLiteral(":/icons/") + name + QStringLiteral(".svg")
               : QStringLiteral(":/") + name + QStringLiteral(".png");
}

QIcon ResourceIcon(const QString& name)
{
    return QIcon(ResourceIconFile(name));
}

QIcon AppIcon()
{
    return ResourceIcon(QStringLiteral("app"));
}
