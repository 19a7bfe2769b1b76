#pragma once

#include "EngineError.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;
typedef struct Mem sqlite3_value; // as the engine declares it

// One prepared statement of the engine, finalized when it goes out of scope.
// Every failure raises EngineError with the engine's text.
class Statement
{
public:
    // Prepares the first statement of `sql`. Where the text holds only blanks or
    // comments the statement is empty (isEmpty); `tail` receives where the next
    // statement of the text begins.
    Statement(sqlite3* db, const QByteArray& sql, const char** tail = nullptr);
    Statement(sqlite3* db, const char* sql, int bytes, const char** tail);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isEmpty() const
    {
        return m_stmt == nullptr;
    }

    // Parameters count from 1. Dates and times are stored as day numbers,
    // Booleans as -1 and 0, an invalid or null value as NULL.
    void bind(int index, const QVariant& value);
    void bindInt64(int index, qint64 value);
    // Binds text without copying it: the caller keeps it alive, and may wipe it,
    // once the statement is done.
    void bindText(int index, const char* utf8, int bytes);

    // True while a row is ready, false once the statement is done.
    bool step();
    // Steps to the end, dropping any rows.
    void run();
    // Ready to be bound and run again.
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    QString declaredType(int column) const;
    QVariant value(int column) const;
    // The engine's own value of a column in the current row, valid until the next
    // step. Reading it takes no lock: the caller holds the connection's.
    sqlite3_value* rawValue(int column) const;
    qint64 int64(int column) const;
    QString text(int column) const;

private:
    [[noreturn]] void fail() const;

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
