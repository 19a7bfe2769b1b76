#include "TDbAccess.h"

#include "FileCopy.h"
#include "FixedKeyWarmup.h"
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

std::function<void(const char*)> g_stepHook;

void stepDone(const char* step)
{
    if (g_stepHook) {
        g_stepHook(step);
    }
}

const QString kQueryFailed = QStringLiteral("数据库查询错误，请检查！");
const QString kExecFailed = QStringLiteral("数据库操作失败！");
const QString kBackupFailed = QStringLiteral("数据库备份失败！");
const QString kRestoreFailed = QStringLiteral("数据库恢复失败！");
const QString kInUseElsewhere = QStringLiteral("数据库文件正被另一个程序打开，请先关闭那个程序。");
const QString kRekeyFailed = QStringLiteral("数据库重新加密失败！");

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
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        QFile::remove(path + QLatin1String(suffix));
    }
}

// A batch of one statement is atomic by itself: run without a transaction of
// its own, it spares two statements. False when the batch is not of that kind.
bool runAlone(sqlite3* db, const QStringList& pieces)
{
    if (pieces.size() != 1 || !sqlite3_get_autocommit(db)) {
        return false;
    }
    const QByteArray utf8 = Jet::rewrite(pieces.first()).toUtf8();
    const char* end = utf8.constData() + utf8.size();
    const char* tail = nullptr;
    Statement first(db, utf8.constData(), static_cast<int>(utf8.size()), &tail);
    if (!first.isEmpty()) {
        const char* rest = nullptr;
        if (!Statement(db, tail, static_cast<int>(end - tail), &rest).isEmpty()) {
            return false;
        }
        first.run();
    }
    // A lone BEGIN would leave its transaction open: refused as inside a batch.
    if (!sqlite3_get_autocommit(db)) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw EngineError(QStringLiteral("cannot start a transaction within a transaction"));
    }
    return true;
}

// Runs a batch in one transaction on a connection: all or nothing.
void runBatch(DbConnection& connection, const QString& batch)
{
    const QStringList pieces = SplitText(batch, kBatchSeparator);
    sqlite3* db = connection.handle();
    if (runAlone(db, pieces)) {
        return;
    }
    connection.exec(QStringLiteral("BEGIN"));
    try {
        for (const QString& piece : pieces) {
            if (!IsBlankText(piece)) {
                runPiece(db, piece);
            }
        }
        connection.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        if (!sqlite3_get_autocommit(db)) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw;
    }
}

// Writes the whole database of `from` into a new file at `part`, encrypted with
// `key`. Through the engine: it reads the latest commits, log included.
void exportInto(DbConnection& from, const QString& part, const DbKey& key)
{
    removeWithJournal(part);
    // Attached files open as the connection was opened, without creating one.
    QFile empty(part);
    if (!empty.open(QIODevice::WriteOnly)) {
        throw EngineError(empty.errorString() + QStringLiteral(": ") + part);
    }
    empty.close();
    sqlite3* db = from.handle();
    {
        Statement attach(db, QByteArrayLiteral("ATTACH DATABASE ?1 AS vh_copy KEY ?2"));
        attach.bind(1, part);
        attach.bindText(2, key.data(), key.size());
        attach.run();
    }
    try {
        from.exec(QStringLiteral("PRAGMA vh_copy.cipher_page_size = %1; SELECT sqlcipher_export('vh_copy');")
                      .arg(DbFile::kCipherPageSize));
        from.exec(QStringLiteral("DETACH DATABASE vh_copy"));
    } catch (const EngineError& e) {
        sqlite3_exec(db, "DETACH DATABASE vh_copy", nullptr, nullptr, nullptr);
        removeWithJournal(part);
        const QString full = DiskFullText(QFileInfo(part).absolutePath(), QFileInfo(from.path()).size());
        throw EngineError(full.isEmpty() ? e.text() : full);
    }
}

// Proves a finished copy whole under its key and runs `batch` in it.
void settleCopy(const QString& path, const DbKey& key, const QString& batch)
{
    DbConnection copy;
    copy.open(path, key);
    copy.verify(true);
    if (!IsBlankText(batch)) {
        runBatch(copy, batch);
    }
    QString error;
    if (!copy.close(&error)) {
        throw EngineError(error);
    }
}

TDbAccess::KeyResult tryKey(const QString& path, const DbKey& key, QString* error)
{
    try {
        DbConnection probe;
        probe.open(path, key);
        if (!probe.keyFits()) {
            *error = probe.lastError();
            return TDbAccess::KeyResult::WrongKey;
        }
        probe.verify(true);
        if (!probe.close(error)) {
            return TDbAccess::KeyResult::Failed;
        }
        return TDbAccess::KeyResult::Opened;
    } catch (const EngineError& e) {
        *error = e.text();
        return TDbAccess::KeyResult::Failed;
    }
}

} // namespace

TDbAccess::TDbAccess()
    : m_checkpointer(
          [this] {
              // Keyed as the main connection was opened: a key derived at start
              // spares the thread deriving it again.
              return [path = DatabasePath(), key = m_openedWith](DbConnection& db) {
                  db.open(path, key);
                  // Proves the key and opens the log, which a write-back needs.
                  if (!db.keyFits()) {
                      throw EngineError(db.lastError());
                  }
              };
          },
          kWriteBackPages, kSelfWriteBackPages)
{
    m_writeBack.setSingleShot(true);
    m_writeBack.setInterval(kWriteBackDelayMs);
    QObject::connect(&m_writeBack, &QTimer::timeout, [this] {
        WriteBack();
        // Changes paused: the moment to open the thread's connection, ready for
        // a long run of them.
        if (Connection.isOpen()) {
            m_checkpointer.start();
        }
    });
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
    // Not during a pass of the thread's: this one would fail at once.
    m_checkpointer.exclusive([this] {
        sqlite3_wal_checkpoint_v2(Connection.handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    });
}

TDbAccess::~TDbAccess()
{
    // Closed first, so that the main connection is the last and leaves one whole file.
    m_checkpointer.release();
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
    m_keyRefused = false;
    // Its connection was keyed for the file open until now.
    m_checkpointer.release();
    try {
        openKeyedConnection();
        if (!Connection.keyFits()) {
            m_keyRefused = true;
            throw EngineError(Connection.lastError());
        }
        Connection.verify();
        Connection.configure();
        // A first read in log mode takes the lock that tells every other connection
        // this file is in use, for as long as this one stays open.
        Connection.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        // The one table the program adds to the file it was given.
        Connection.exec(Sql::SnoozeTable);
        sqlite3_commit_hook(Connection.handle(), &TDbAccess::onCommit, this);
        m_checkpointer.attach(Connection.handle());
        noteChange();
    } catch (...) {
        Connection.close();
        throw;
    }
}

void TDbAccess::openKeyedConnection()
{
    if (m_key.isFixed()) {
        // Derived while the program started; when it does not fit, the fixed key
        // itself is tried below as always.
        const QByteArray derived = FixedKeyWarmup::Take(DatabasePath());
        if (!derived.isEmpty()) {
            m_openedWith = DbKey::fromPassword(QString::fromLatin1(derived));
            Connection.open(DatabasePath(), m_openedWith);
            if (Connection.keyFits()) {
                return;
            }
        }
    }
    m_openedWith = m_key;
    Connection.open(DatabasePath(), m_key);
}

std::function<void(DbConnection&)> TDbAccess::ReaderOpener() const
{
    // Keyed as the main connection was opened: a key derived at start spares every
    // reader deriving it again.
    return [path = DatabasePath(), key = m_openedWith](DbConnection& reader) {
        reader.open(path, key);
        reader.verify();
        // Reads only; a larger cache keeps the searched tables decrypted between searches.
        reader.exec(QStringLiteral("PRAGMA query_only = 1; PRAGMA cache_size = -65536"));
    };
}

int TDbAccess::AddReaderRelease(std::function<void()> release)
{
    m_readerReleases.emplace(++m_nextRelease, std::move(release));
    return m_nextRelease;
}

void TDbAccess::RemoveReaderRelease(int id)
{
    m_readerReleases.erase(id);
}

void TDbAccess::releaseReaders()
{
    for (const auto& [id, release] : m_readerReleases) {
        release();
    }
}

void TDbAccess::ensureOpen()
{
    if (!Connection.isOpen()) {
        openConnection();
    }
}

void TDbAccess::removeLeftovers()
{
    // What a change of key or a restore ended by a kill left beside the file; the
    // file itself is whole either way.
    for (const char* suffix : {".rekey", ".restore", ".restore-in"}) {
        removeWithJournal(DatabasePath() + QLatin1String(suffix));
    }
}

bool TDbAccess::Connect(QString* error)
{
    m_needsPassword = false;
    try {
        openConnection();
        removeLeftovers();
        return true;
    } catch (const EngineError& e) {
        if (error) {
            *error = e.text();
        }
        m_needsPassword = m_keyRefused && DbFile::looksKeyedOtherwise(DatabasePath());
        return false;
    }
}

TDbAccess::KeyResult TDbAccess::ConnectWith(const DbKey& key, QString* error)
{
    DbKey previous = m_key;
    m_key = key;
    try {
        openConnection();
        removeLeftovers();
        m_needsPassword = false;
        return KeyResult::Opened;
    } catch (const EngineError& e) {
        if (error) {
            *error = e.text();
        }
        m_key = previous;
        return m_keyRefused ? KeyResult::WrongKey : KeyResult::Failed;
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
    try {
        ensureOpen();
        runBatch(Connection, batch);
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

void TDbAccess::ReadBound(const QString& statement, const QVariantList& values,
                          const std::function<bool(const Statement& row)>& row)
{
    try {
        ensureOpen();
        Statement stmt(Connection.handle(), Jet::rewrite(statement).toUtf8());
        for (int i = 0; i < values.size(); ++i) {
            stmt.bind(i + 1, values.at(i));
        }
        while (stmt.step() && row(stmt)) {
        }
    } catch (const EngineError& e) {
        throw EDBException(e.text(), kQueryFailed, statement);
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
    exportInto(Connection, part, m_key);
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

void TDbAccess::setStepHookForTesting(std::function<void(const char*)> hook)
{
    g_stepHook = std::move(hook);
}

void TDbAccess::swapIn(const QString& staged, const DbKey& key, const QString& userMessage,
                       const std::function<void(const QString&)>& fail)
{
    const QString dbPath = DatabasePath();
    releaseReaders();
    m_checkpointer.release();
    closeResultSets();
    QString error;
    // Closing the last connection writes the log back and removes it.
    if (!Connection.close(&error)) {
        fail(error);
    }
    stepDone("closed");
    // The current database stays in use: a failure to open it again is part of the report.
    auto reopenAndFail = [&](QString text) {
        try {
            openConnection();
        } catch (const EngineError& e) {
            text += QStringLiteral("；当前数据库也无法重新打开：") + e.text();
        }
        fail(text);
    };
    // A log left beside the file would be replayed onto the new one, whose pages
    // it does not describe (nor, after a change of key, decrypt).
    if (QFile::exists(dbPath + QStringLiteral("-wal"))) {
        reopenAndFail(kInUseElsewhere);
    }
    // The one step that switches: the name points at the old file or at the
    // complete new one, which is on disk before the rename, the rename after it.
    if (!SyncAndRename(staged, dbPath, &error)) {
        reopenAndFail(error);
    }
    stepDone("renamed");
    m_key = key;
    try {
        openConnection();
    } catch (const EngineError& e) {
        throw EDBException(e.text(), userMessage, QString());
    }
    stepDone("reopened");
}

void TDbAccess::ChangeKey(const DbKey& key, const QString& batch)
{
    const QString part = DatabasePath() + QStringLiteral(".rekey");
    auto fail = [&](const QString& text) {
        removeWithJournal(part);
        throw EDBException(text, kRekeyFailed, QString());
    };
    ensureOpenFor(kRekeyFailed);
    try {
        exportInto(Connection, part, key);
        stepDone("exported");
        settleCopy(part, key, batch);
        stepDone("settled");
    } catch (const EngineError& e) {
        fail(e.text());
    }
    // The URL grid shows its rows again from the new file.
    const QString grid = GridQuery.statement();
    swapIn(part, key, kRekeyFailed, fail);
    if (!grid.isEmpty()) {
        try {
            GridQuery.open(Connection.handle(), grid);
        } catch (const EngineError&) {
            // Left empty, as after a restore; the next click on a group fills it.
        }
    }
}

void TDbAccess::RestoreFrom(const QString& source, const PasswordPrompt& prompt, const QString& settle)
{
    const QString dbPath = DatabasePath();
    const QString incoming = dbPath + QStringLiteral(".restore-in");
    const QString staged = dbPath + QStringLiteral(".restore");
    auto discard = [&] {
        removeWithJournal(incoming);
        removeWithJournal(staged);
    };
    auto fail = [&](const QString& text) {
        discard();
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
            writeCopy(incoming);
        } catch (const EngineError& e) {
            fail(e.text());
        }
    } else if (!CopyFileWhole(source, incoming, &error)) {
        fail(error);
    }
    // The key that opens it: the one in force, the fixed one (a copy from before
    // the password), or the password the user gives for it.
    DbKey sourceKey = m_key;
    KeyResult found = tryKey(incoming, sourceKey, &error);
    if (found == KeyResult::WrongKey && !m_key.isFixed()) {
        sourceKey = DbKey();
        found = tryKey(incoming, sourceKey, &error);
    }
    if (found == KeyResult::WrongKey && prompt && DbFile::looksKeyedOtherwise(incoming)) {
        const bool given = prompt([&](const DbKey& typed) {
            QString why;
            const KeyResult result = tryKey(incoming, typed, &why);
            if (result == KeyResult::WrongKey) {
                return false;
            }
            found = result;
            error = why;
            sourceKey = typed;
            return true;
        });
        if (!given) {
            discard();
            Abort();
        }
    }
    if (found != KeyResult::Opened) {
        fail(error);
    }
    // Re-encrypted with the key in force, so that the password the user knows
    // opens the restored data.
    try {
        DbConnection from;
        from.open(incoming, sourceKey);
        exportInto(from, staged, m_key);
        if (!from.close(&error)) {
            throw EngineError(error);
        }
        settleCopy(staged, m_key, settle);
    } catch (const EngineError& e) {
        fail(e.text());
    }
    removeWithJournal(incoming);
    swapIn(staged, m_key, kRestoreFailed, fail);
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
