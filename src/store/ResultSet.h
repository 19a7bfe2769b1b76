#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QVariant>
#include <string>
#include <vector>

struct sqlite3;
typedef struct Mem sqlite3_value; // as the engine declares it

// A text's sort key: its characters case-folded, so that keys compare unit by
// unit as the texts do with a caseless compare (Qt::CaseInsensitive).
std::u16string CaselessKey(const QString& text);
// The same key, appended to `key`.
void AppendCaselessKey(std::u16string& key, QStringView text);

// Told around every open and close of a result set, so that a view over its rows
// can let go of them first.
class ResultSetWatcher
{
public:
    virtual void rowsAboutToChange() = 0;
    virtual void rowsChanged() = 0;
    // The set itself is going away.
    virtual void rowsDestroyed() = 0;

protected:
    ~ResultSetWatcher() = default;
};

// The rows of one query, fetched into memory, with a cursor. Fields are found by
// name (case-insensitive) or position. A result of "select * from <table>" is
// updatable: a row can be appended or the current row edited and then posted,
// the values bound as parameters so that no text enters statement text.
class ResultSet
{
public:
    struct Field
    {
        QString name;
        QString declType;
    };

    ResultSet() = default;
    ~ResultSet();
    ResultSet(const ResultSet&) = delete;
    ResultSet& operator=(const ResultSet&) = delete;

    // Runs the statement and fetches all rows; on failure the set stays closed and
    // empty and the engine's text is raised as EngineError.
    void open(sqlite3* db, const QString& statement);
    void close();
    void addWatcher(ResultSetWatcher* watcher);
    void removeWatcher(ResultSetWatcher* watcher);
    bool isOpen() const
    {
        return m_open;
    }
    const QString& statement() const
    {
        return m_statement;
    }

    int fieldCount() const
    {
        return static_cast<int>(m_fields.size());
    }
    const Field& field(int index) const
    {
        return m_fields.at(static_cast<size_t>(index));
    }
    // -1 when there is no such field.
    int fieldIndex(const QString& name) const;

    int recordCount() const;
    bool eof() const;
    void first();
    void next();
    int recNo() const
    {
        return m_cursor;
    }
    void setRecNo(int row);

    // The current row's values; an unknown field name raises.
    QVariant value(int column) const;
    QVariant value(const QString& name) const;
    QVariant valueAt(int row, int column) const;
    QString textAt(int row, int column) const;
    // The first row whose field shows `text` (as textAt), -1 when none does.
    int findRow(int column, const QString& text) const;

    QString asString(const QString& name) const;
    qint64 asInteger(const QString& name) const;
    bool asBoolean(const QString& name) const;
    QDateTime asDateTime(const QString& name) const;

    // The client-side sort order as text: a field name, optionally followed by a
    // blank and "DESC". Setting it re-orders the loaded rows without running the
    // query again; opening the set clears it.
    QString sortOrder() const
    {
        return m_sortOrder;
    }
    void setSortOrder(const QString& order);

    void append();
    void edit();
    void setValue(const QString& name, const QVariant& value);
    // Writes the appended or edited row; a failure raises EDBException and leaves
    // the set in its editing state with the values unposted.
    void post();
    void cancel();

private:
    enum class Mode
    {
        Browse,
        Insert,
        Edit
    };

    // A fetched value, kept compactly: numbers in place, texts and blobs as a span
    // of m_bytes, and a value put by post() as an index into m_posted.
    enum class Kind : quint8
    {
        Null,
        Integer,
        Real,
        Text,
        Blob,
        Posted
    };
    struct Cell
    {
        quint64 payload = 0; // the number's bits, the bytes' offset or the posted index
        quint32 size = 0;    // bytes of a text or blob
        Kind kind = Kind::Null;
    };

    void clear();
    int requireField(const QString& name) const;
    QString textOf(const QVariant& value, int column) const;
    size_t storedRow(int row) const
    {
        return m_order.empty() ? static_cast<size_t>(row) : static_cast<size_t>(m_order[static_cast<size_t>(row)]);
    }
    const Cell& cellAt(int row, int column) const
    {
        return m_cells[storedRow(row) * m_fields.size() + static_cast<size_t>(column)];
    }
    Cell fetched(sqlite3_value* value);
    QVariant variantOf(const Cell& cell) const;
    Cell posted(const QVariant& value);
    void appendTextKey(std::u16string& keys, const Cell& cell) const;
    void forgetRanks();

    std::vector<ResultSetWatcher*> m_watchers;
    sqlite3* m_db = nullptr;
    bool m_open = false;
    QString m_statement;
    QString m_table; // set only when the set is updatable
    std::vector<Field> m_fields;
    std::vector<Cell> m_cells; // row-major, in the order fetched
    std::string m_bytes;       // every text's UTF-8 and every blob, back to back
    std::vector<QVariant> m_posted;
    std::vector<int> m_order;     // shown row -> fetched row; empty while unsorted
    std::vector<qint64> m_rowids; // by fetched row
    // After a text sort: each fetched row's rank in that column's order, equal
    // texts alike, until a row changes.
    int m_rankedColumn = -1;
    std::vector<int> m_ranks;
    int m_cursor = -1;
    QString m_sortOrder;

    Mode m_mode = Mode::Browse;
    std::vector<QVariant> m_pending;
    QSet<int> m_dirty;
};
