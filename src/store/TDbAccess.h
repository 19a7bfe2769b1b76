#pragma once

#include "DbConnection.h"
#include "ListRows.h"
#include "ResultSet.h"

#include <QString>
#include <QTimer>
#include <functional>

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

    // Opens bookkeep.dat; on failure returns false with the engine's text.
    bool Connect(QString* error = nullptr);
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

    // Differs from its last value whenever the data may have changed since: a
    // commit of this program, a new connection, another program's commit. Lets a
    // reader keep what it derived from the data until then.
    quint64 DataVersion();

    // Runs a batch of statements joined by "@#@" in one transaction: all or nothing.
    void ExecSQL(const QString& batch);
    // Runs one statement with its values bound to ?1, ?2, ... (never put into
    // the text), as its own transaction; returns how many rows it changed.
    int ExecBound(const QString& statement, const QVariantList& values);
    // Runs `work` on the connection inside one transaction: all of it, or none of
    // it when anything raises. Engine failures come out as EDBException.
    void Transaction(const std::function<void(sqlite3* db)>& work);
    // A complete copy of the database, replacing the destination only once whole.
    void BackupTo(const QString& destination);
    // Replaces the database with a checked copy of the source; a source that is
    // not a usable database of ours leaves bookkeep.dat untouched.
    void RestoreFrom(const QString& source);

    ResultSet Query;
    ResultSet GridQuery;
    ResultSet TimerQuery;
    ResultSet IntQuery;

private:
    void openConnection();
    void ensureOpen();
    void closeResultSets();
    void writeCopy(const QString& destination);
    void ensureOpenFor(const QString& userMessage);
    void openInto(ResultSet& rows, const QString& statement);

    static int onCommit(void* self);
    void noteChange();

    DbConnection Connection;
    QTimer m_writeBack;
    quint64 m_changes = 0;
    qint64 m_otherVersion = 0;
};

// The one instance, created and connected by the main block.
extern TDbAccess* DbAccess;

void ExecSQL(const QString& batch);
qint64 QueryInt(const QString& statement);
void BackupTo(const QString& destination);
void RestoreFrom(const QString& source);
