#include "FixedKeyWarmup.h"

#include "DbConnection.h"
#include "KeyStretch.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace {

// How the engine stretches a text key: PBKDF2 with HMAC-SHA1, 64000 rounds, over
// the file's 16-byte salt, into a 256-bit key.
constexpr int kSaltBytes = 16;
constexpr int kKeyBytes = 32;
constexpr int kRounds = 64000;

FixedKeyWarmup* g_current = nullptr;

} // namespace

QByteArray FixedKeyWarmup::SaltOf(const QString& path)
{
    // Plain calls, no QFile: this runs before the toolkit starts, on a thread that
    // must not be taken for the program's main thread.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    QByteArray salt(kSaltBytes, Qt::Uninitialized);
    const ssize_t got = ::pread(fd, salt.data(), kSaltBytes, 0);
    ::close(fd);
    // A plain database starts with its header text: there is no salt to derive from.
    if (got != kSaltBytes || salt.startsWith(QByteArrayLiteral("SQLite format"))) {
        return {};
    }
    return salt;
}

QByteArray FixedKeyWarmup::RawKeyFor(const QByteArray& salt)
{
    const QByteArray key = Pbkdf2HmacSha1(QByteArray(DbFile::kPassword), salt, kRounds, kKeyBytes);
    if (key.isEmpty()) {
        return {};
    }
    return QByteArrayLiteral("x'") + (key + salt).toHex().toUpper() + QByteArrayLiteral("'");
}

FixedKeyWarmup::FixedKeyWarmup(const QString& databasePath) : m_path(databasePath)
{
    g_current = this;
    m_thread = std::thread([this] {
        m_salt = SaltOf(m_path);
        if (!m_salt.isEmpty()) {
            m_rawKey = RawKeyFor(m_salt);
        }
    });
}

FixedKeyWarmup::~FixedKeyWarmup()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (g_current == this) {
        g_current = nullptr;
    }
}

QByteArray FixedKeyWarmup::Take(const QString& databasePath)
{
    FixedKeyWarmup* warmup = g_current;
    if (!warmup || warmup->m_path != databasePath) {
        return {};
    }
    if (warmup->m_thread.joinable()) {
        warmup->m_thread.join();
    }
    g_current = nullptr; // once: a later open (a restore, a new key) derives anew
    if (warmup->m_rawKey.isEmpty() || SaltOf(databasePath) != warmup->m_salt) {
        return {};
    }
    return warmup->m_rawKey;
}
