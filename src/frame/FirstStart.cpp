#include "FirstStart.h"

#include "MakeDb.h"
#include "base/Application.h"
#include "base/Messages.h"
#include "store/EngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool refuse(const QString& reason)
{
    ShowErrorDetail(QStringLiteral("数据库连接失败！"), reason);
    RequestTerminate();
    return false;
}

} // namespace

namespace FirstStart {

bool MakeDataFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir()) {
        return true;
    }
    if (!QDir().mkpath(folder)) {
        return refuse(QStringLiteral("无法创建数据文件夹：") + QDir::toNativeSeparators(folder));
    }
    // The user's notes are nobody else's business.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

bool MakeDatabaseIfMissing(const QString& path)
{
    if (QFileInfo::exists(path)) {
        return true;
    }
    try {
        MakeDatabase(path);
    } catch (const EngineError& e) {
        return refuse(QStringLiteral("无法创建数据库 ") + QDir::toNativeSeparators(path) + QStringLiteral("：") +
                      e.text());
    }
    return true;
}

} // namespace FirstStart
