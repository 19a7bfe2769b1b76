#include "FileCopy.h"

#include <QFile>
#include <QSaveFile>

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
