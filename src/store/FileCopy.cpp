#include "FileCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString describeWriteFailure(const QString& platformText, const QString& destination, qint64 needed)
{
    const QString full = DiskFullText(QFileInfo(destination).absolutePath(), needed);
    return full.isEmpty() ? platformText + QStringLiteral(": ") + destination : full;
}

} // namespace

bool CopyFileWhole(const QString& source, const QString& destination, QString* error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString() + QStringLiteral(": ") + source;
        return false;
    }
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString() + QStringLiteral(": ") + destination;
        return false;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0) {
            *error = in.errorString() + QStringLiteral(": ") + source;
            out.cancelWriting();
            return false;
        }
        if (got == 0) {
            break;
        }
        if (out.write(buffer.constData(), got) != got) {
            *error = describeWriteFailure(out.errorString(), destination, in.size());
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        *error = describeWriteFailure(out.errorString(), destination, in.size());
        return false;
    }
    return true;
}

bool SyncAndRename(const QString& source, const QString& destination, QString* error)
{
    const QByteArray from = QFile::encodeName(source);
    const int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno)) + QStringLiteral(": ") + source;
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    ::close(fd);
    if (std::rename(from.constData(), QFile::encodeName(destination).constData()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno)) + QStringLiteral(": ") + destination;
        return false;
    }
    // The rename itself reaches the disk with the folder. Done is done: a folder
    // that cannot be flushed does not undo the rename, so it is not a failure.
    const int folder = ::open(QFile::encodeName(QFileInfo(destination).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

bool SameFile(const QString& a, const QString& b)
{
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {

// A file or folder marked read-only is refused also where the user (root) could
// write it anyway: the mark is what the user meant.
bool writable(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st
    {
    };
    if (::access(name.constData(), W_OK) != 0 || ::stat(name.constData(), &st) != 0) {
        return false;
    }
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

} // namespace

QString WritableRefusal(const QString& databasePath)
{
    const QFileInfo file(databasePath);
    if (!file.exists()) {
        return {}; // reported by the open itself
    }
    const QString folder = file.absolutePath();
    if (!writable(folder)) {
        return QStringLiteral("程序文件夹不可写入：%1。数据库要在这里记下每一次改动，请让该文件夹可写。")
            .arg(QDir::toNativeSeparators(folder));
    }
    if (!writable(databasePath)) {
        return QStringLiteral("数据库文件是只读的：%1。请去掉它的只读属性后再启动。")
            .arg(QDir::toNativeSeparators(databasePath));
    }
    return {};
}

QString DiskFullText(const QString& folder, qint64 needed)
{
    const QStorageInfo disk(folder);
    if (disk.isValid() && disk.bytesAvailable() < needed) {
        return QStringLiteral("磁盘空间不足：%1 只剩 %2 KB，需要 %3 KB。")
            .arg(QDir::toNativeSeparators(folder))
            .arg(disk.bytesAvailable() / 1024)
            .arg((needed + 1023) / 1024);
    }
    return {};
}
