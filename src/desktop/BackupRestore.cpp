#include "BackupRestore.h"

#include "shell/AppPath.h"
#include "shell/FileDialogs.h"
#include "shell/Log.h"
#include "shell/Messages.h"
#include "store/TDbAccess.h"

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

bool RestoreCommand(QWidget* owner)
{
    if (!AskConfirm(QStringLiteral("你确定要恢复数据吗？你做的操作可能会覆盖最新的数据！"))) {
        return false;
    }
    const QString name = FileDialogs::getOpenFileName(owner, kFilter);
    if (name.isEmpty()) {
        return false;
    }
    BackupTo(SafetyCopyPath());
    RestoreFrom(name);
    WriteLog(QStringLiteral("数据恢复！"));
    return true;
}
