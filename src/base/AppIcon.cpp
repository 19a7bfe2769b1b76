#include "AppIcon.h"

#include <QImageReader>

QIcon AppIcon()
{
    if (QImageReader::supportedImageFormats().contains("svg")) {
        return QIcon(QStringLiteral(":/icons/app.svg"));
    }
    return QIcon(QStringLiteral(":/app.png"));
}
