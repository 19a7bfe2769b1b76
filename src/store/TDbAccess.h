#pragma once

#include "DbConnection.h"
#include "ListRows.h"
#include "ResultSet.h"
#include "WalCheckpointer.h"

#include <QString>
#include <QTimer>
#include <functional>
#include <map>

class Statement;

// The program's one way to its database: one keyed connection to bookkeep.dat in
// the program folder and four result sets, each reserved to one kind of use.
// Failures are raised as EDBException; only Connect reports its own.
class TDbAccess
{
public:
    TDbAccess();
    ~TDbAccess();
    TDbAccess(const TDbAccess&) = delete;
    TDbAccess& operator=(const TDbAccess&) = delete;

    // Opens bookkeep.dat with the key in force (the fixed key until a password
    // opened it); on failure returns false with the engine's text.
    bool Connect(QString* error = nullptr);
    // After a failed Connect: the file is a database keyed with a password.
    bool NeedsPassword() const
    {
        return m_needsPassword;
    }
    enum class KeyResult
    {
        Opened,
        WrongKey, // the file stays closed; another key may open it
        Failed    // opened with the key, but unusable (the text says why)
    };
    // Opens bookkeep.dat with a key; when it opens, that key is the one in force.
    KeyResult ConnectWith(const DbKey& key, QString* error = nullptr);
    const DbKey& Key() const
    {
        return m_key;
    }
    // Encrypts the whole database with another key: a new file, written and
    // checked beside it, with `batch` (if any) run in it, then renamed over
    // bookkeep.dat. Until the rename the old file is untouched; after it the new
    // one is complete, so the file always opens with the old or the new key.
    // A failure raises EDBException and leaves the old key in force.
    void ChangeKey(const DbKey& key, const QString& batch = QString());
    // Told each step of a change of key or a restore as it is done ("exported",
    // "settled", "closed", "renamed", "reopened"), so that a test can stop the
    // process exactly there; empty for none.
    static void setStepHookForTesting(std::function<void(const char*)> hook);
    bool Connected() const
    {
        return Connection.isOpen();
    }
    QString DatabasePath() const;

    void OpenQuery(const QString& statement);
    // GridQuery is the URL grid's; a view over it watches it (ResultSet::setWatcher).
    void OpenGridQuery(const QString& statement);
    void RefreshGrid();
    // Runs a query through Query and returns its rows as texts.
    ListRows ListQuery(const QString& statement);
    void OpenTimerQuery(const QString& statement);
    qint64 QueryInt(const QString& statement);
    // Writes the log back into bookkeep.dat, so that the one file holds every
    // change. Runs by itself a moment after the last commit; the frame also calls
    // it at close, at hiding and at session end. A failure leaves the changes in
    // the log, where they are just as safe.
    void WriteBack();
    static constexpr int kWriteBackDelayMs = 2000;
    // While changes go on, the log is written back on a thread of its own once it
    // holds kWriteBackPages pages (about four keystrokes in a 1 MB note); only
    // past kSelfWriteBackPages, the connection's automatic limit, does a commit
    // write it back itself.
    static constexpr int kWriteBackPages = 1000;
    static constexpr int kSelfWriteBackPages = 4000;
    const WalCheckpointer& Checkpointer() const
    {
        return m_checkpointer;
    }

    // Differs from its last value whenever the data may have changed since: a
    // commit of this program, a new connection, another program's commit. Lets a
    // reader keep what it derived from the data until then.
    quint64 DataVersion();

    // Runs a batch of statements joined by "@#@" in one transaction: all or nothing.
    void ExecSQL(const QString& batch);
    // Runs one statement with its values bound to ?1, ?2, ... (never put into
    // the text), as its own transaction; returns how many rows it changed.
    int ExecBound(const QString& statement, const QVariantList& values);
    // Runs one query with its values bound to ?1, ?2, ... and hands each row to
    // `row` as it is read, keeping none of them: for readers that need each value
    // once, in their own form. `row` returns false to stop early.
    void ReadBound(const QString& statement, const QVariantList& values,
                   const std::function<bool(const Statement& row)>& row);
    // Runs `work` on the connection inside one transaction: all of it, or none of
    // it when anything raises. Engine failures come out as EDBException.
    void Transaction(const std::function<void(sqlite3* db)>& work);
    // A complete copy of the database, replacing the destination only once whole.
    void BackupTo(const QString& destination);
    // Asked for the password of a file to restore that neither the key in force
    // nor the fixed key opens: tries what the user types with `opens` until it
    // returns true, and returns false when the user gives up.
    using PasswordPrompt = std::function<bool(const std::function<bool(const DbKey&)>& opens)>;
    // Replaces the database with a checked copy of the source, encrypted with the
    // key in force and with `settle` (if any) run in it; a source that is not a
    // usable database of ours leaves bookkeep.dat untouched. A source keyed with
    // a password is opened through `prompt`; giving up there aborts silently.
    void RestoreFrom(const QString& source, const PasswordPrompt& prompt = {}, const QString& settle = QString());

    // How to open a second, read-only connection to the same file, keyed as this
    // one, for reading on another thread; run it there. The file must have no other
    // connection when it is replaced, so whoever keeps one open says how to close it.
    std::function<void(DbConnection&)> ReaderOpener() const;
    int AddReaderRelease(std::function<void()> release);
    void RemoveReaderRelease(int id);

    ResultSet Query;
    ResultSet GridQuery;
    ResultSet TimerQuery;
    ResultSet IntQuery;

private:
    void openConnection();
    void openKeyedConnection();
    void removeLeftovers();
    void ensureOpen();
    void closeResultSets();
    void writeCopy(const QString& destination);
    // Puts a finished file in place of bookkeep.dat and opens it with `key`.
    void swapIn(const QString& staged, const DbKey& key, const QString& userMessage,
                const std::function<void(const QString&)>& fail);
    void ensureOpenFor(const QString& userMessage);
    void openInto(ResultSet& rows, const QString& statement);

    static int onCommit(void* self);
    void noteChange();

    void releaseReaders();

    DbConnection Connection;
    DbKey m_key;
    DbKey m_openedWith; // what the connection was opened with: m_key, or the same derived
    bool m_needsPassword = false;
    bool m_keyRefused = false;
    QTimer m_writeBack;
    quint64 m_changes = 0;
    qint64 m_otherVersion = 0;
    std::map<int, std::function<void()>> m_readerReleases;
    int m_nextRelease = 0;
    WalCheckpointer m_checkpointer;
};

// The one instance, created and connected by the main block.
extern TDbAccess* DbAccess;

void ExecSQL(const QString& batch);
qint64 QueryInt(const QString& statement);
void BackupTo(const QString& destination);
void RestoreFrom(const QString& source);
