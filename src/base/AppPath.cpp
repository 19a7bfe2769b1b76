#include "AppPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString g_appPath;

QString withSeparator(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
} // namespace

namespace AppPaths {

const QString kAppId = QStringLiteral(VH_APP_ID);

bool IsInstalledLayout(const QString& executableFolder)
{
    const QDir bin(executableFolder);
    if (bin.dirName() != QLatin1String("bin")) {
        return false;
    }
    // A build folder's bin has no share beside it; a folder merely named bin
    // elsewhere has no metainfo of ours there.
    return QFileInfo(
               bin.absoluteFilePath(QStringLiteral("../share/metainfo/") + kAppId + QStringLiteral(".metainfo.xml")))
        .isFile();
}

QString UserDataFolder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative value is to be ignored, as the base directory rules say.
    if (data.isEmpty() || !QDir::isAbsolutePath(data)) {
        data = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return withSeparator(QDir::cleanPath(data) + QStringLiteral("/Vornet-Halvik"));
}

QString FolderFor(const QString& executableFolder)
{
    return IsInstalledLayout(executableFolder) ? UserDataFolder() : withSeparator(executableFolder);
}

} // namespace AppPaths

QString AppPath()
{
    if (g_appPath.isEmpty()) {
        g_appPath = AppPaths::FolderFor(QCoreApplication::applicationDirPath());
    }
    return g_appPath;
}

void setAppPath(const QString& folder)
{
    g_appPath = withSeparator(folder);
}
