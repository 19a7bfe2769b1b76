#pragma once

#include "EngineError.h"

#include <QString>
#include <QStringList>

struct sqlite3;
struct sqlite3_stmt;

namespace DbFile {
// The database file's fixed name and password.
inline const QString kFileName = QStringLiteral("bookkeep.dat");
inline constexpr const char* kPassword = "58203917460382";
// Not stored in the file: every connection must use the same page size. 4096
// halves the cost of writing a large note compared with the engine's 1024.
inline constexpr int kCipherPageSize = 4096;
// The seven tables a file must hold to be ours.
const QStringList& tables();
} // namespace DbFile

// One keyed connection to a database file, with the program's SQL functions.
class DbConnection
{
public:
    DbConnection() = default;
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Opens and keys the file. Without create, a missing file fails. The page
    // size is a parameter only so that a benchmark can compare others.
    void open(const QString& path, bool create = false, int cipherPageSize = DbFile::kCipherPageSize);
    // Proves the key with a real read and checks that all seven tables are there;
    // with integrity, also that every page reads back whole.
    void verify(bool integrity = false);
    // Write-ahead log with normal syncing: a killed program keeps every commit.
    void configure();
    // False (with the engine's text) when the engine refused to close.
    bool close(QString* error = nullptr);

    bool isOpen() const
    {
        return m_db != nullptr;
    }
    sqlite3* handle() const
    {
        return m_db;
    }
    QString path() const
    {
        return m_path;
    }

    // Runs every statement of the text; rows are discarded.
    void exec(const QString& sql);
    // The first column of the first row as text (empty without rows).
    QString scalar(const QString& sql);
    QString lastError() const;
    // A number that differs from the last call's whenever another connection has
    // committed to the file in between. Cheap enough for every second: the
    // statement is kept prepared until the connection closes.
    qint64 dataVersion();

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_dataVersion = nullptr;
    QString m_path;
};
