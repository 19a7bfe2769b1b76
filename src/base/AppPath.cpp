#include "AppPath.h"

#include <QCoreApplication>

namespace {
QString g_appPath;
}

QString AppPath()
{
    if (g_appPath.isEmpty()) {
        g_appPath = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    }
    return g_appPath;
}

void setAppPath(const QString& folder)
{
    g_appPath = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
