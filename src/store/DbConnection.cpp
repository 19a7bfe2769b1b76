#include "DbConnection.h"

#include "JetDialect.h"
#include "Statement.h"

#include <QFile>
#include <sqlcipher/sqlite3.h>

namespace DbFile {
const QStringList& tables()
{
    static const QStringList names = {
        QStringLiteral("IEType"), QStringLiteral("NoteType"),    QStringLiteral("IE"),    QStringLiteral("NoteBook"),
        QStringLiteral("Alam"),   QStringLiteral("AlamContext"), QStringLiteral("SysSet")};
    return names;
}
} // namespace DbFile

DbConnection::~DbConnection()
{
    close();
}

QString DbConnection::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("database is not open");
}

bool DbFile::looksKeyedOtherwise(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const qint64 size = file.size();
    if (size == 0 || size % kCipherPageSize != 0) {
        return false;
    }
    const QByteArray page = file.read(kCipherPageSize);
    if (page.size() != kCipherPageSize || page.startsWith(QByteArrayLiteral("SQLite format 3"))) {
        return false;
    }
    bool seen[256] = {};
    int distinct = 0;
    for (const char c : page) {
        auto& mark = seen[static_cast<unsigned char>(c)];
        distinct += mark ? 0 : 1;
        mark = true;
    }
    // 4096 random bytes leave out a value only by a rare chance; 200 is far below.
    return distinct >= 200;
}

void DbConnection::open(const QString& path, bool create, int cipherPageSize)
{
    openKeyed(path, DbKey(), create, cipherPageSize);
}

void DbConnection::open(const QString& path, const DbKey& key, bool create)
{
    openKeyed(path, key, create, DbFile::kCipherPageSize);
}

bool DbConnection::keyFits()
{
    if (!m_db) {
        throw EngineError(lastError());
    }
    // The engine reports a wrong key only at the first read of the file.
    const int rc = sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        return true;
    }
    if ((rc & 0xff) == SQLITE_NOTADB) {
        return false;
    }
    throw EngineError(lastError());
}

void DbConnection::openKeyed(const QString& path, const DbKey& key, bool create, int cipherPageSize)
{
    close();
    m_path = path;
    if (!create && !QFile::exists(path)) {
        throw EngineError(QStringLiteral("unable to open database file: %1").arg(path));
    }
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        throw EngineError(text);
    }
    m_db = db;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 2000);
    Jet::registerFunctions(m_db);
    // Through the call, not statement text: a password never enters a statement.
    if (sqlite3_key_v2(m_db, "main", key.data(), key.size()) != SQLITE_OK) {
        const QString text = lastError();
        close();
        throw EngineError(text);
    }
    exec(QStringLiteral("PRAGMA cipher_page_size = %1;").arg(cipherPageSize));
    // Without the cipher the key above is silently ignored and the file would be
    // read (or written) as plain text.
    if (scalar(QStringLiteral("PRAGMA cipher_version")).isEmpty()) {
        close();
        throw EngineError(QStringLiteral("the encryption engine is not available"));
    }
}

void DbConnection::verify(bool integrity)
{
    // The engine reports a wrong key only at the first read of the file.
    exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    QStringList missing;
    for (const QString& table : DbFile::tables()) {
        const QString found =
            scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='%1' COLLATE NOCASE")
                       .arg(table));
        if (found != QLatin1String("1")) {
            missing << table;
        }
    }
    if (!missing.isEmpty()) {
        throw EngineError(
            QStringLiteral("file is not a database: missing tables %1").arg(missing.join(QLatin1Char(','))));
    }
    if (integrity) {
        const QString check = scalar(QStringLiteral("PRAGMA quick_check"));
        if (check != QLatin1String("ok")) {
            QString first;
            for (const QString& line : check.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                if (!line.startsWith(QLatin1String("***"))) {
                    first = line;
                    break;
                }
            }
            throw EngineError(QStringLiteral("数据库文件已损坏：%1\n%2").arg(first, check));
        }
    }
}

void DbConnection::configure()
{
    const QString mode = scalar(QStringLiteral("PRAGMA journal_mode = WAL"));
    if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        throw EngineError(QStringLiteral("cannot switch to write-ahead logging: %1").arg(lastError()));
    }
    // A large note rewrites about 256 pages per keystroke: write the log back to the
    // file every 4000 pages rather than every 1000, and keep the log under 20 MB.
    // Freed pages are not overwritten with zeros: they are encrypted like every
    // other page, and zeroing them doubled what a keystroke in a large note writes.
    exec(QStringLiteral("PRAGMA synchronous = NORMAL; PRAGMA wal_autocheckpoint = 4000; "
                        "PRAGMA journal_size_limit = 20000000; PRAGMA secure_delete = OFF"));
}

bool DbConnection::close(QString* error)
{
    if (!m_db) {
        return true;
    }
    sqlite3_finalize(m_dataVersion);
    m_dataVersion = nullptr;
    if (sqlite3_close(m_db) != SQLITE_OK) {
        if (error) {
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        }
        return false;
    }
    m_db = nullptr;
    return true;
}

qint64 DbConnection::dataVersion()
{
    if (!m_db) {
        throw EngineError(lastError());
    }
    if (!m_dataVersion && sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &m_dataVersion, nullptr) != SQLITE_OK) {
        throw EngineError(lastError());
    }
    const bool row = sqlite3_step(m_dataVersion) == SQLITE_ROW;
    const qint64 version = row ? sqlite3_column_int64(m_dataVersion, 0) : 0;
    sqlite3_reset(m_dataVersion);
    if (!row) {
        throw EngineError(lastError());
    }
    return version;
}

void DbConnection::exec(const QString& sql)
{
    if (!m_db) {
        throw EngineError(lastError());
    }
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = message ? QString::fromUtf8(message) : lastError();
        sqlite3_free(message);
        throw EngineError(text);
    }
}

QString DbConnection::scalar(const QString& sql)
{
    if (!m_db) {
        throw EngineError(lastError());
    }
    Statement stmt(m_db, sql.toUtf8());
    return stmt.step() ? stmt.text(0) : QString();
}
