#pragma once

#include "PodBuffer.h"

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

    // A fetched value in 8 bytes: its kind in the low 3 bits and above them a
    // whole number, a text's or blob's offset (40 bits) and size (21 bits) in
    // m_bytes, or an index into m_reals or m_posted. What does not fit (a larger
    // number or text) is kept whole in m_posted, as a value put by post() is.
    enum class Kind : quint8
    {
        Null,
        Integer,
        Real,
        Text,
        Blob,
        Posted
    };
    class Cell
    {
    public:
        static constexpr qint64 kIntegerLimit = qint64(1) << 60; // in [-limit, limit)
        static constexpr quint64 kOffsetLimit = quint64(1) << 40;
        static constexpr quint32 kSizeLimit = quint32(1) << 21;

        Cell() = default;
        static Cell integer(qint64 value)
        {
            return Cell((static_cast<quint64>(value) << 3) | static_cast<quint64>(Kind::Integer));
        }
        static Cell span(Kind kind, quint64 offset, quint32 size)
        {
            return Cell((offset << 24) | (static_cast<quint64>(size) << 3) | static_cast<quint64>(kind));
        }
        static Cell index(Kind kind, size_t index)
        {
            return Cell((static_cast<quint64>(index) << 3) | static_cast<quint64>(kind));
        }
        Kind kind() const
        {
            return static_cast<Kind>(m_bits & 7);
        }
        qint64 integer() const
        {
            return static_cast<qint64>(m_bits) >> 3;
        }
        quint64 offset() const
        {
            return m_bits >> 24;
        }
        quint32 size() const
        {
            return static_cast<quint32>(m_bits >> 3) & (kSizeLimit - 1);
        }
        size_t index() const
        {
            return static_cast<size_t>(m_bits >> 3);
        }

    private:
        explicit Cell(quint64 bits) : m_bits(bits)
        {}
        quint64 m_bits = 0; // Kind::Null
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
    const char* bytesOf(const Cell& cell) const
    {
        return m_bytes.data() + cell.offset();
    }
    void appendTextKey(std::u16string& keys, const Cell& cell) const;
    void forgetRanks();

    std::vector<ResultSetWatcher*> m_watchers;
    sqlite3* m_db = nullptr;
    bool m_open = false;
    QString m_statement;
    QString m_table; // set only when the set is updatable
    std::vector<Field> m_fields;
    PodBuffer<Cell> m_cells; // row-major, in the order fetched
    PodBuffer<char> m_bytes; // every text's UTF-8 and every blob, back to back
    std::vector<double> m_reals;
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
