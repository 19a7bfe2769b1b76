#include "FileReasons.h"

#include <QFileInfo>
#include <QStorageInfo>

QString ReadFailureReason(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return QStringLiteral("文件不存在");
    }
    if (info.isDir()) {
        return QStringLiteral("这是文件夹，不是文件");
    }
    if (!info.isReadable()) {
        return QStringLiteral("没有读取权限");
    }
    return QStringLiteral("读取出错");
}

QString WriteFailureReason(const QString& path)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir()) {
        return QStringLiteral("所在的文件夹不存在");
    }
    if (info.isDir()) {
        return QStringLiteral("已有同名的文件夹");
    }
    if (!folder.isWritable() || (info.exists() && !info.isWritable())) {
        return QStringLiteral("没有写入权限");
    }
    const QStorageInfo disk(folder.absoluteFilePath());
    if (disk.isValid() && disk.bytesAvailable() < 1024 * 1024) {
        return QStringLiteral("磁盘空间不足");
    }
    return QStringLiteral("写入出错");
}
