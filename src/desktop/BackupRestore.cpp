#include "BackupRestore.h"

#include "base/AppPath.h"
#include "base/Exceptions.h"
#include "base/FileDialogs.h"
#include "base/Log.h"
#include "base/Messages.h"
#include "base/Wipe.h"
#include "store/FileCopy.h"
#include "store/TConfig.h"
#include "store/TDbAccess.h"

#include <QFile>
#include <QFileInfo>

namespace {
const QString kFilter = QStringLiteral("数据文件 (*.bat)");
}

QString SafetyCopyPath()
{
    return AppPath() + QStringLiteral("tmpData.bat");
}

void BackupCommand(QWidget* owner)
{
    const QString name = FileDialogs::getSaveFileName(owner, kFilter);
    if (name.isEmpty()) {
        return;
    }
    BackupTo(name + QStringLiteral(".bat"));
}

bool RestoreCommand(QWidget* owner, const TDbAccess::PasswordPrompt& prompt)
{
    if (!AskConfirm(QStringLiteral("你确定要恢复数据吗？你做的操作可能会覆盖最新的数据！"))) {
        return false;
    }
    const QString name = FileDialogs::getOpenFileName(owner, kFilter);
    if (name.isEmpty()) {
        return false;
    }
    // Restoring the safety copy itself (to undo a restore) must not first
    // overwrite it with the data it is meant to replace: take it aside.
    QString source = name;
    const bool fromSafetyCopy = QFileInfo(name).canonicalFilePath() == QFileInfo(SafetyCopyPath()).canonicalFilePath();
    if (fromSafetyCopy) {
        source = AppPath() + QStringLiteral("tmpData.restoring");
        QString error;
        if (!CopyFileWhole(name, source, &error)) {
            throw EDBException(error, QStringLiteral("数据库恢复失败！"), QString());
        }
    }
    // The login settings belong with the key: the restored data takes both.
    QString settle = ConfigStore.StoredStatement();
    try {
        BackupTo(SafetyCopyPath());
        DbAccess->RestoreFrom(source, prompt, settle);
    } catch (...) {
        Wipe(settle);
        if (fromSafetyCopy) {
            QFile::remove(source);
        }
        throw;
    }
    Wipe(settle);
    if (fromSafetyCopy) {
        QFile::remove(source);
    }
    WriteLog(QStringLiteral("数据恢复！"));
    return true;
}
