#include "TDbAccess.h"

#include "FileCopy.h"
#include "JetDialect.h"
#include "ListFill.h"
#include "SqlText.h"
#include "shell/AppPath.h"
#include "shell/Application.h"
#include "shell/BlankText.h"
#include "shell/Exceptions.h"
#include "shell/Messages.h"

#include <QFile>
#include <QFileInfo>
#include <QTableView>
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

// Runs every statement of one piece of a batch; rows are not expected and dropped.
void runPiece(sqlite3* db, const QString& piece)
{
    const QByteArray utf8 = Jet::rewrite(piece).toUtf8();
    const char* sql = utf8.constData();
    const char* end = sql + utf8.size();
    while (sql < end) {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, sql, static_cast<int>(end - sql), &stmt, &tail) != SQLITE_OK) {
            throw EngineError(QString::fromUtf8(sqlite3_errmsg(db)));
        }
        if (!stmt) {
            break; // only blanks or comments were left
        }
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        const QString error = rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        if (!error.isEmpty()) {
            throw EngineError(error);
        }
        sql = tail;
    }
}

} // namespace

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
    try {
        Connection.open(DatabasePath());
        Connection.verify();
        Connection.configure();
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

bool TDbAccess::Connect()
{
    try {
        openConnection();
        return true;
    } catch (const EngineError& e) {
        ShowErrorDetail(QStringLiteral("数据库连接失败！"), e.text());
        RequestTerminate();
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

void TDbAccess::OpenGridQuery(const QString& statement, QTableView* grid, bool fit)
{
    GridSource.beginChange();
    try {
        openInto(GridQuery, statement);
    } catch (...) {
        GridSource.endChange();
        throw;
    }
    GridSource.endChange();
    if (grid) {
        if (grid->model() != &GridSource) {
            grid->setModel(&GridSource);
        }
        if (fit) {
            FitColumns(grid);
        }
    }
}

void TDbAccess::RefreshGrid()
{
    const QString statement = GridQuery.statement();
    if (statement.isEmpty()) {
        return; // the grid was never filled
    }
    GridSource.beginChange();
    try {
        ensureOpen();
        GridQuery.open(Connection.handle(), statement);
    } catch (const EngineError& e) {
        GridSource.endChange();
        throw EAppError(e.text());
    }
    GridSource.endChange();
}

qint64 TDbAccess::QueryInt(const QString& statement)
{
    openInto(IntQuery, statement);
    const qint64 value = IntQuery.eof() ? 0 : IntQuery.value(0).toLongLong();
    IntQuery.close();
    return value;
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

void TDbAccess::checkpoint(const QString& userMessage)
{
    try {
        ensureOpen();
        sqlite3_stmt* stmt = nullptr;
        sqlite3* db = Connection.handle();
        if (sqlite3_prepare_v2(db, "PRAGMA wal_checkpoint(TRUNCATE)", -1, &stmt, nullptr) != SQLITE_OK) {
            throw EngineError(QString::fromUtf8(sqlite3_errmsg(db)));
        }
        const int rc = sqlite3_step(stmt);
        const bool busy = rc == SQLITE_ROW && sqlite3_column_int(stmt, 0) != 0;
        const QString error = rc == SQLITE_ROW ? QString() : QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        if (!error.isEmpty()) {
            throw EngineError(error);
        }
        // A busy checkpoint leaves committed changes in the log, not yet in the file.
        if (busy) {
            throw EngineError(QStringLiteral("database is locked: the write-ahead log could not be written back"));
        }
    } catch (const EngineError& e) {
        throw EDBException(e.text(), userMessage, QString());
    }
}

void TDbAccess::BackupTo(const QString& destination)
{
    checkpoint(kBackupFailed);
    QString error;
    if (!CopyFileWhole(DatabasePath(), destination, &error)) {
        throw EDBException(error, kBackupFailed, QString());
    }
}

void TDbAccess::closeResultSets()
{
    GridSource.beginChange();
    GridQuery.close();
    GridSource.endChange();
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
        throw EDBException(text, kRestoreFailed, QString());
    };

    // Restoring from the live file itself must see its latest commits.
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(dbPath).canonicalFilePath()) {
        checkpoint(kRestoreFailed);
    }
    QString error;
    if (!CopyFileWhole(source, staged, &error)) {
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
    if (QFile::exists(dbPath + QStringLiteral("-wal"))) {
        try {
            openConnection();
        } catch (const EngineError&) {
        }
        fail(QStringLiteral("the write-ahead log of the current database could not be written back"));
    }
    if (std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(dbPath).constData()) != 0) {
        const QString text = QString::fromLocal8Bit(std::strerror(errno));
        try {
            openConnection();
        } catch (const EngineError&) {
        }
        fail(text);
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
