#include "AppIcon.h"

#include <QImageReader>

QString ResourceIconFile(const QString& name)
{
    static const bool svg = QImageReader::supportedImageFormats().contains("svg");
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
