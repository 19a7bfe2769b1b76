#include "TDbAccess.h"

#include "FileCopy.h"
#include "JetDialect.h"
#include "SqlText.h"
#include "Statement.h"
#include "Statements.h"
#include "base/AppPath.h"
#include "base/BlankText.h"
#include "base/Exceptions.h"
#include "base/Log.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sqlcipher/sqlite3.h>

TDbAccess* DbAccess = nullptr;

namespace {

const QString kQueryFailed = QStringLiteral("数据库查询错误，请检查！");
const QString kExecFailed = QStringLiteral("数据库操作失败！");
const QString kBackupFailed = QStringLiteral("数据库备份失败！");
const QString kRestoreFailed = QStringLiteral("数据库恢复失败！");
const QString kInUseElsewhere = QStringLiteral("数据库文件正被另一个程序打开，请先关闭那个程序。");

// Runs every statement of one piece of a batch; rows are not expected and dropped.
void runPiece(sqlite3* db, const QString& piece)
{
    const QByteArray utf8 = Jet::rewrite(piece).toUtf8();
    const char* sql = utf8.constData();
    const char* end = sql + utf8.size();
    while (sql < end) {
        const char* tail = nullptr;
        Statement stmt(db, sql, static_cast<int>(end - sql), &tail);
        if (stmt.isEmpty()) {
            break; // only blanks or comments were left
        }
        stmt.run();
        sql = tail;
    }
}

void removeWithJournal(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

} // namespace

TDbAccess::TDbAccess()
{
    m_writeBack.setSingleShot(true);
    m_writeBack.setInterval(kWriteBackDelayMs);
    QObject::connect(&m_writeBack, &QTimer::timeout, [this] { WriteBack(); });
}

void TDbAccess::noteChange()
{
    // Counted for the whole process, so that no two connections ever share a version.
    static quint64 changes = 0;
    m_changes = ++changes;
}

int TDbAccess::onCommit(void* self)
{
    // Called inside the commit: only note it; the write-back runs once changes stop.
    auto* access = static_cast<TDbAccess*>(self);
    access->noteChange();
    access->m_writeBack.start();
    return 0;
}

void TDbAccess::WriteBack()
{
    m_writeBack.stop();
    if (!Connection.isOpen()) {
        return;
    }
    // Whatever stays in the log is still safe there; the next write-back takes it.
    sqlite3_wal_checkpoint_v2(Connection.handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
}

TDbAccess::~TDbAccess()
{
    closeResultSets();
    Connection.close();
}

QString TDbAccess::DatabasePath() const
{
    return AppPath() + DbFile::kFileName;
}

void TDbAccess::openConnection()
{
    // Opened anyway, such a file would take no keystroke: refuse it at once.
    if (const QString refusal = WritableRefusal(DatabasePath()); !refusal.isEmpty()) {
        throw EngineError(refusal);
    }
    try {
        Connection.open(DatabasePath());
        Connection.verify();
        Connection.configure();
        // A first read in log mode takes the lock that tells every other connection
        // this file is in use, for as long as this one stays open.
        Connection.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        // The one table the program adds to the file it was given.
        Connection.exec(Sql::SnoozeTable);
        sqlite3_commit_hook(Connection.handle(), &TDbAccess::onCommit, this);
        noteChange();
    } catch (...) {
        Connection.close();
        throw;
    }
}

void TDbAccess::ensureOpen()
{
    if (!Connection.isOpen()) {
        openConnection();
    }
}

bool TDbAccess::Connect(QString* error)
{
    try {
        openConnection();
        return true;
    } catch (const EngineError& e) {
        if (error) {
            *error = e.text();
        }
        return false;
    }
}

void TDbAccess::openInto(ResultSet& rows, const QString& statement)
{
    rows.close();
    try {
        ensureOpen();
        rows.open(Connection.handle(), statement);
    } catch (const EngineError& e) {
        throw EDBException(e.text(), kQueryFailed, statement);
    }
}

void TDbAccess::OpenQuery(const QString& statement)
{
    openInto(Query, statement);
}

void TDbAccess::OpenTimerQuery(const QString& statement)
{
    openInto(TimerQuery, statement);
}

void TDbAccess::OpenGridQuery(const QString& statement)
{
    openInto(GridQuery, statement);
}

void TDbAccess::RefreshGrid()
{
    const QString statement = GridQuery.statement();
    if (statement.isEmpty()) {
        return; // the grid was never filled
    }
    try {
        ensureOpen();
        GridQuery.open(Connection.handle(), statement);
    } catch (const EngineError& e) {
        throw EAppError(e.text());
    }
}

ListRows TDbAccess::ListQuery(const QString& statement)
{
    OpenQuery(statement);
    ListRows list;
    const int fields = Query.fieldCount();
    for (int c = 0; c < fields; ++c) {
        list.titles << Query.field(c).name;
    }
    list.rows.reserve(Query.recordCount());
    for (int r = 0; r < Query.recordCount(); ++r) {
        QStringList texts;
        texts.reserve(fields);
        for (int c = 0; c < fields; ++c) {
            texts << Query.textAt(r, c);
        }
        list.rows.append(std::move(texts));
    }
    return list;
}

qint64 TDbAccess::QueryInt(const QString& statement)
{
    openInto(IntQuery, statement);
    const qint64 value = IntQuery.eof() ? 0 : IntQuery.value(0).toLongLong();
    IntQuery.close();
    return value;
}

quint64 TDbAccess::DataVersion()
{
    if (!Connection.isOpen()) {
        noteChange(); // whoever asks next reconnects and sees what is there
        return m_changes;
    }
    try {
        const qint64 other = Connection.dataVersion();
        if (other != m_otherVersion) {
            m_otherVersion = other;
            noteChange();
        }
    } catch (const EngineError&) {
        noteChange();
    }
    return m_changes;
}

void TDbAccess::ExecSQL(const QString& batch)
{
    const QStringList pieces = SplitText(batch, kBatchSeparator);
    try {
        ensureOpen();
        sqlite3* db = Connection.handle();
        Connection.exec(QStringLiteral("BEGIN"));
        try {
            for (const QString& piece : pieces) {
                if (!IsBlankText(piece)) {
                    runPiece(db, piece);
                }
            }
            Connection.exec(QStringLiteral("COMMIT"));
        } catch (...) {
            if (!sqlite3_get_autocommit(db)) {
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            }
            throw;
        }
    } catch (const EngineError& e) {
        throw EDBException(e.text(), kExecFailed, batch);
    }
}

int TDbAccess::ExecBound(const QString& statement, const QVariantList& values)
{
    try {
        ensureOpen();
        Statement stmt(Connection.handle(), statement.toUtf8());
        for (int i = 0; i < values.size(); ++i) {
            stmt.bind(i + 1, values.at(i));
        }
        stmt.run();
        return sqlite3_changes(Connection.handle());
    } catch (const EngineError& e) {
        throw EDBException(e.text(), kExecFailed, statement);
    }
}

void TDbAccess::Transaction(const std::function<void(sqlite3* db)>& work)
{
    try {
        ensureOpen();
        sqlite3* db = Connection.handle();
        Connection.exec(QStringLiteral("BEGIN"));
        try {
            work(db);
            Connection.exec(QStringLiteral("COMMIT"));
        } catch (...) {
            if (!sqlite3_get_autocommit(db)) {
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            }
            throw;
        }
    } catch (const EngineError& e) {
        throw EDBException(e.text(), kExecFailed, QString());
    }
}

void TDbAccess::ensureOpenFor(const QString& userMessage)
{
    try {
        ensureOpen();
    } catch (const EngineError& e) {
        throw EDBException(e.text(), userMessage, QString());
    }
}

void TDbAccess::BackupTo(const QString& destination)
{
    ensureOpenFor(kBackupFailed);
    try {
        writeCopy(destination);
    } catch (const EngineError& e) {
        throw EDBException(e.text(), kBackupFailed, QString());
    }
}

void TDbAccess::writeCopy(const QString& destination)
{
    // Through the engine: a second descriptor opened and closed on the live file
    // would drop every lock this process holds on it, and another connection
    // could then take the log away.
    const QString part = destination + QStringLiteral(".part");
    removeWithJournal(part);
    // Attached files open as the connection was opened, without creating one.
    QFile empty(part);
    if (!empty.open(QIODevice::WriteOnly)) {
        throw EngineError(empty.errorString() + QStringLiteral(": ") + part);
    }
    empty.close();
    sqlite3* db = Connection.handle();
    {
        Statement attach(db, QByteArrayLiteral("ATTACH DATABASE ?1 AS vh_copy KEY ?2"));
        attach.bind(1, part);
        attach.bind(2, QString::fromLatin1(DbFile::kPassword));
        attach.run();
    }
    try {
        Connection.exec(QStringLiteral("PRAGMA vh_copy.cipher_page_size = %1; SELECT sqlcipher_export('vh_copy');")
                            .arg(DbFile::kCipherPageSize));
        Connection.exec(QStringLiteral("DETACH DATABASE vh_copy"));
    } catch (const EngineError& e) {
        sqlite3_exec(db, "DETACH DATABASE vh_copy", nullptr, nullptr, nullptr);
        removeWithJournal(part);
        const QString full = DiskFullText(QFileInfo(destination).absolutePath(), QFileInfo(DatabasePath()).size());
        throw EngineError(full.isEmpty() ? e.text() : full);
    }
    QString error;
    if (!SyncAndRename(part, destination, &error)) {
        removeWithJournal(part);
        throw EngineError(error);
    }
}

void TDbAccess::closeResultSets()
{
    GridQuery.close();
    Query.close();
    TimerQuery.close();
    IntQuery.close();
}

void TDbAccess::RestoreFrom(const QString& source)
{
    const QString dbPath = DatabasePath();
    const QString staged = dbPath + QStringLiteral(".restore");
    auto fail = [&](const QString& text) {
        QFile::remove(staged);
        // A damaged file's check can run to hundreds of lines: the first is shown,
        // the whole goes to the log.
        const QString first = text.section(QLatin1Char('\n'), 0, 0);
        if (first != text) {
            WriteLog(kRestoreFailed + QStringLiteral("\r\n") + text);
        }
        throw EDBException(first, kRestoreFailed, QString());
    };

    QString error;
    ensureOpenFor(kRestoreFailed);
    if (SameFile(source, dbPath)) {
        // The live file itself: copied through the engine, with its latest commits.
        try {
            writeCopy(staged);
        } catch (const EngineError& e) {
            fail(e.text());
        }
    } else if (!CopyFileWhole(source, staged, &error)) {
        fail(error);
    }
    try {
        DbConnection probe;
        probe.open(staged);
        probe.verify(true);
        if (!probe.close(&error)) {
            fail(error);
        }
    } catch (const EngineError& e) {
        fail(e.text());
    }

    closeResultSets();
    if (!Connection.close(&error)) {
        fail(error);
    }
    // A log left beside the file would be replayed onto the restored one.
    // The current database stays in use: a failure to open it again is part of the report.
    auto reopenAndFail = [&](QString text) {
        try {
            openConnection();
        } catch (const EngineError& e) {
            text += QStringLiteral("；当前数据库也无法重新打开：") + e.text();
        }
        fail(text);
    };
    if (QFile::exists(dbPath + QStringLiteral("-wal"))) {
        reopenAndFail(kInUseElsewhere);
    }
    if (std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(dbPath).constData()) != 0) {
        reopenAndFail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    try {
        openConnection();
    } catch (const EngineError& e) {
        throw EDBException(e.text(), kRestoreFailed, QString());
    }
}

void ExecSQL(const QString& batch)
{
    DbAccess->ExecSQL(batch);
}

qint64 QueryInt(const QString& statement)
{
    return DbAccess->QueryInt(statement);
}

void BackupTo(const QString& destination)
{
    DbAccess->BackupTo(destination);
}

void RestoreFrom(const QString& source)
{
    DbAccess->RestoreFrom(source);
}
