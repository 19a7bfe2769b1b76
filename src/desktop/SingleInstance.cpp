#include "SingleInstance.h"

#include "LocalListener.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QByteArray kShow = QByteArrayLiteral("show\n");

} // namespace

SingleInstance::SingleInstance(const QString& databasePath, QObject* parent)
    : QObject(parent), m_lockPath(databasePath + QStringLiteral(".lock"))
{
    // One name per user and database file, in the abstract namespace: no socket
    // file is left behind by a killed copy.
    const QString file = QFileInfo(databasePath).absoluteFilePath();
    const QByteArray key = QCryptographicHash::hash(file.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    m_serverName = QStringLiteral("vornet-halvik-%1-%2").arg(::getuid()).arg(QString::fromLatin1(key));
}

SingleInstance::~SingleInstance()
{
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
}

bool SingleInstance::tryLock()
{
    if (m_lockFd < 0) {
        m_lockFd = ::open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_lockFd < 0) {
            return false;
        }
    }
    return ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0;
}

bool SingleInstance::handOver()
{
    return LocalMessage::send(QFile::encodeName(m_serverName), kShow, 1000);
}

bool SingleInstance::HoldWithoutHandOver()
{
    return tryLock() || m_lockFd < 0;
}

bool SingleInstance::Claim(int patienceMs)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (tryLock()) {
            if (!m_listener) {
                m_listener = new LocalListener(kShow.trimmed(), this);
                connect(m_listener, &LocalListener::heard, this, &SingleInstance::showRequested);
                // Without the name a later copy cannot reach this one, but this one
                // still runs: the lock alone keeps the file safe.
                if (!m_listener->listen(QFile::encodeName(m_serverName))) {
                    qWarning("SingleInstance: cannot listen as %s", qPrintable(m_serverName));
                }
            }
            return true;
        }
        if (m_lockFd < 0) {
            return true; // no lock can be made here; the connect will say why
        }
        // The running copy may still be starting: ask again until it listens, or
        // until it has ended and the lock is ours.
        if (handOver()) {
            return false;
        }
        if (waited.elapsed() > patienceMs) {
            return false;
        }
        QThread::msleep(100);
    }
}
