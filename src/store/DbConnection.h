#pragma once

#include "DbKey.h"
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
// Whether a file that the key tried did not open is still a database keyed with
// another key, rather than something else. Without the key nothing inside can be
// read, so it is told by its shape: whole cipher pages, not the plain engine's
// header, and a first page of bytes spread as evenly as only encrypted data is
// (an encrypted page holds nearly all 256 byte values; text, zeros or a plain
// database hold far fewer).
bool looksKeyedOtherwise(const QString& path);
} // namespace DbFile

// One keyed connection to a database file, with the program's SQL functions.
class DbConnection
{
public:
    DbConnection() = default;
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Opens and keys the file (with the fixed key). Without create, a missing file
    // fails. The page size is a parameter only so that a benchmark can compare others.
    void open(const QString& path, bool create = false, int cipherPageSize = DbFile::kCipherPageSize);
    // Opens the file with the given key.
    void open(const QString& path, const DbKey& key, bool create = false);
    // Whether the key opens the file: false when the engine finds no database
    // under it (a wrong key, or not a database at all); other failures raise.
    bool keyFits();
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
    void openKeyed(const QString& path, const DbKey& key, bool create, int cipherPageSize);

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_dataVersion = nullptr;
    QString m_path;
};
