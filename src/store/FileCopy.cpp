#include "FileCopy.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
            *error = out.errorString() + QStringLiteral(": ") + destination;
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        *error = out.errorString() + QStringLiteral(": ") + destination;
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
