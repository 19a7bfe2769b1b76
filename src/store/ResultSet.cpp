#include "ResultSet.h"

#include "DbConnection.h"
#include "JetDialect.h"
#include "Statement.h"
#include "base/Exceptions.h"

#include <QRegularExpression>
#include <bit>
#include <limits>
#include <numeric>
#include <sqlcipher/sqlite3.h>
#include <string>

namespace {

bool isDateTimeType(const QString& declType)
{
    return declType.compare(QLatin1String("DATETIME"), Qt::CaseInsensitive) == 0;
}

bool isBooleanType(const QString& declType)
{
    return declType.compare(QLatin1String("BOOLEAN"), Qt::CaseInsensitive) == 0;
}

} // namespace

void AppendCaselessKey(std::u16string& key, QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            key.push_back(c.unicode() >= u'A' && c.unicode() <= u'Z' ? c.unicode() + (u'a' - u'A') : c.unicode());
        } else if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, text.at(++i)));
            key.push_back(QChar::highSurrogate(folded));
            key.push_back(QChar::lowSurrogate(folded));
        } else {
            key.push_back(c.isSurrogate() ? c.unicode() : QChar::toCaseFolded(c.unicode()));
        }
    }
}

std::u16string CaselessKey(const QString& text)
{
    std::u16string key;
    key.reserve(static_cast<size_t>(text.size()));
    AppendCaselessKey(key, text);
    return key;
}

namespace {

// Appends the caseless key of UTF-8 text straight from its bytes. Only plain,
// valid UTF-8 is taken; for anything QString::fromUtf8 might treat its own way
// (a leading byte-order mark, which it drops, malformed bytes, noncharacters)
// nothing is appended and false is returned.
bool appendUtf8Key(std::u16string& key, const char* text, quint32 size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* end = p + size;
    if (size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        return false;
    }
    const size_t start = key.size();
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            key.push_back(lead >= 'A' && lead <= 'Z' ? lead + ('a' - 'A') : lead);
            ++p;
            continue;
        }
        char32_t code = 0;
        char32_t least = 0;
        int trail = 0;
        if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            least = 0x80;
            trail = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            least = 0x800;
            trail = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07;
            least = 0x10000;
            trail = 3;
        }
        bool valid = trail > 0 && end - p > trail;
        for (int i = 1; valid && i <= trail; ++i) {
            valid = (p[i] & 0xC0) == 0x80;
            code = (code << 6) | (p[i] & 0x3F);
        }
        valid = valid && code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF) &&
                !QChar::isNonCharacter(code);
        if (!valid) {
            key.resize(start);
            return false;
        }
        p += trail + 1;
        const char32_t folded = QChar::toCaseFolded(code);
        if (QChar::requiresSurrogates(code)) {
            key.push_back(QChar::highSurrogate(folded));
            key.push_back(QChar::lowSurrogate(folded));
        } else {
            key.push_back(static_cast<char16_t>(folded));
        }
    }
    return true;
}

// Holds a connection's own lock while many values are read: each read then takes
// it again at little cost instead of locking and unlocking it anew.
class ConnectionLock
{
public:
    explicit ConnectionLock(sqlite3* db) : m_mutex(sqlite3_db_mutex(db))
    {
        sqlite3_mutex_enter(m_mutex);
    }
    ~ConnectionLock()
    {
        sqlite3_mutex_leave(m_mutex);
    }
    ConnectionLock(const ConnectionLock&) = delete;
    ConnectionLock& operator=(const ConnectionLock&) = delete;

private:
    sqlite3_mutex* m_mutex;
};

// Tells a watcher before and after the rows change, also when the change fails.
class ChangeNotice
{
public:
    explicit ChangeNotice(const std::vector<ResultSetWatcher*>& watchers) : m_watchers(watchers)
    {
        for (ResultSetWatcher* w : m_watchers) {
            w->rowsAboutToChange();
        }
    }
    ~ChangeNotice()
    {
        for (ResultSetWatcher* w : m_watchers) {
            w->rowsChanged();
        }
    }
    ChangeNotice(const ChangeNotice&) = delete;
    ChangeNotice& operator=(const ChangeNotice&) = delete;

private:
    const std::vector<ResultSetWatcher*> m_watchers;
};

} // namespace

ResultSet::~ResultSet()
{
    for (ResultSetWatcher* w : std::vector<ResultSetWatcher*>(m_watchers)) {
        w->rowsDestroyed();
    }
}

void ResultSet::addWatcher(ResultSetWatcher* watcher)
{
    m_watchers.push_back(watcher);
}

void ResultSet::removeWatcher(ResultSetWatcher* watcher)
{
    std::erase(m_watchers, watcher);
}

void ResultSet::open(sqlite3* db, const QString& statement)
{
    const ChangeNotice notice(m_watchers);
    clear();
    m_db = db;
    m_statement = statement;
    if (!db) {
        throw EngineError(QStringLiteral("database is not open"));
    }
    // A whole-table select is the updatable kind: fetch each row's key with it.
    static const QRegularExpression wholeTable(
        QStringLiteral(R"(^\s*select\s+\*\s+from\s+\[?([A-Za-z_][A-Za-z0-9_]*)\]?(\s|$))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = wholeTable.match(statement);
    int skip = 0;
    QString sql = statement;
    if (match.hasMatch()) {
        m_table = match.captured(1);
        sql = QStringLiteral("select _rowid_, ") + statement.mid(statement.indexOf(QLatin1Char('*')));
        skip = 1;
    }
    try {
        Statement stmt(db, Jet::rewrite(sql).toUtf8());
        const int columns = stmt.columnCount();
        for (int c = skip; c < columns; ++c) {
            m_fields.push_back({stmt.columnName(c), stmt.declaredType(c)});
        }
        // Texts stay UTF-8 in one buffer; a QString is made only when a cell is read.
        const ConnectionLock lock(db);
        while (stmt.step()) {
            if (skip) {
                m_rowids.push_back(stmt.int64(0));
            }
            for (int c = skip; c < columns; ++c) {
                m_cells.push_back(fetched(stmt.rawValue(c)));
            }
        }
    } catch (const EngineError&) {
        clear();
        throw;
    }
    // Growth leaves up to half of each buffer unused: give that back.
    if (m_cells.capacity() - m_cells.size() > m_cells.size() / 8) {
        m_cells.shrink_to_fit();
    }
    if (m_bytes.capacity() - m_bytes.size() > m_bytes.size() / 8) {
        m_bytes.shrink_to_fit();
    }
    m_open = true;
    m_cursor = recordCount() > 0 ? 0 : -1;
}

void ResultSet::close()
{
    const ChangeNotice notice(m_watchers);
    clear();
}

void ResultSet::clear()
{
    m_open = false;
    m_sortOrder.clear();
    m_table.clear();
    m_fields.clear();
    // Swapped out rather than cleared: a large set's memory goes with it.
    std::vector<Cell>().swap(m_cells);
    std::string().swap(m_bytes);
    std::vector<QVariant>().swap(m_posted);
    std::vector<int>().swap(m_order);
    std::vector<qint64>().swap(m_rowids);
    forgetRanks();
    m_cursor = -1;
    m_mode = Mode::Browse;
    m_pending.clear();
    m_dirty.clear();
}

int ResultSet::fieldIndex(const QString& name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int ResultSet::requireField(const QString& name) const
{
    const int index = fieldIndex(name);
    if (index < 0) {
        throw EAppError(QStringLiteral("找不到字段 '%1'").arg(name));
    }
    return index;
}

int ResultSet::recordCount() const
{
    return m_fields.empty() ? 0 : static_cast<int>(m_cells.size() / m_fields.size());
}

bool ResultSet::eof() const
{
    return m_cursor < 0 || m_cursor >= recordCount();
}

void ResultSet::first()
{
    m_cursor = recordCount() > 0 ? 0 : -1;
}

void ResultSet::next()
{
    if (m_cursor >= 0 && m_cursor < recordCount()) {
        ++m_cursor;
    }
}

void ResultSet::setRecNo(int row)
{
    m_cursor = row >= 0 && row < recordCount() ? row : -1;
}

ResultSet::Cell ResultSet::fetched(sqlite3_value* value)
{
    Cell cell;
    const int type = sqlite3_value_type(value);
    switch (type) {
    case SQLITE_INTEGER:
        cell.kind = Kind::Integer;
        cell.payload = std::bit_cast<quint64>(static_cast<qint64>(sqlite3_value_int64(value)));
        break;
    case SQLITE_FLOAT:
        cell.kind = Kind::Real;
        cell.payload = std::bit_cast<quint64>(sqlite3_value_double(value));
        break;
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        // The pointer first: asking for it may change the size.
        const void* bytes =
            type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_value_text(value)) : sqlite3_value_blob(value);
        const int size = sqlite3_value_bytes(value);
        if (!bytes && size > 0) {
            throw EngineError(QStringLiteral("out of memory"));
        }
        cell.kind = type == SQLITE_TEXT ? Kind::Text : Kind::Blob;
        cell.payload = m_bytes.size();
        cell.size = static_cast<quint32>(size);
        m_bytes.append(static_cast<const char*>(bytes), static_cast<size_t>(size));
        break;
    }
    default:
        break;
    }
    return cell;
}

QVariant ResultSet::variantOf(const Cell& cell) const
{
    switch (cell.kind) {
    case Kind::Integer:
        return QVariant(static_cast<qlonglong>(std::bit_cast<qint64>(cell.payload)));
    case Kind::Real:
        return QVariant(std::bit_cast<double>(cell.payload));
    case Kind::Text:
        return QVariant(QString::fromUtf8(m_bytes.data() + cell.payload, cell.size));
    case Kind::Blob:
        return QVariant(QByteArray(m_bytes.data() + cell.payload, cell.size));
    case Kind::Posted:
        return m_posted[cell.payload];
    case Kind::Null:
        break;
    }
    return {};
}

void ResultSet::forgetRanks()
{
    m_rankedColumn = -1;
    std::vector<int>().swap(m_ranks);
}

ResultSet::Cell ResultSet::posted(const QVariant& value)
{
    Cell cell;
    cell.kind = Kind::Posted;
    cell.payload = m_posted.size();
    m_posted.push_back(value);
    return cell;
}

QVariant ResultSet::valueAt(int row, int column) const
{
    if (row < 0 || row >= recordCount() || column < 0 || column >= fieldCount()) {
        return {};
    }
    return variantOf(cellAt(row, column));
}

QVariant ResultSet::value(int column) const
{
    if (m_mode != Mode::Browse && column >= 0 && column < fieldCount()) {
        return m_pending[static_cast<size_t>(column)];
    }
    return valueAt(m_cursor, column);
}

QVariant ResultSet::value(const QString& name) const
{
    return value(requireField(name));
}

QString ResultSet::textOf(const QVariant& value, int column) const
{
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    const QString& decl = m_fields[static_cast<size_t>(column)].declType;
    if (isDateTimeType(decl) && (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong)) {
        const double days = value.toDouble();
        const QDateTime moment = Jet::fromDays(days);
        if (days >= 0 && days < 1) {
            return moment.time().toString(QStringLiteral("HH:mm:ss"));
        }
        if (moment.time() == QTime(0, 0)) {
            return moment.date().toString(QStringLiteral("yyyy-MM-dd"));
        }
        return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    if (isBooleanType(decl) && value.typeId() == QMetaType::LongLong) {
        return value.toLongLong() != 0 ? QStringLiteral("True") : QStringLiteral("False");
    }
    if (value.typeId() == QMetaType::Double) {
        return QString::number(value.toDouble(), 'g', 15);
    }
    return value.toString();
}

QString ResultSet::textAt(int row, int column) const
{
    if (row >= 0 && row < recordCount() && column >= 0 && column < fieldCount()) {
        const Cell& cell = cellAt(row, column);
        if (cell.kind == Kind::Text) {
            return QString::fromUtf8(m_bytes.data() + cell.payload, cell.size);
        }
    }
    return textOf(valueAt(row, column), column);
}

int ResultSet::findRow(int column, const QString& text) const
{
    if (column < 0 || column >= fieldCount()) {
        return -1;
    }
    // Whole numbers show as their digits: compared as numbers, nothing is made per row.
    const QString& decl = m_fields[static_cast<size_t>(column)].declType;
    const bool digits = !isDateTimeType(decl) && !isBooleanType(decl);
    bool isNumber = false;
    const qint64 number = text.toLongLong(&isNumber);
    isNumber = isNumber && QString::number(number) == text;
    const int rows = recordCount();
    for (int r = 0; r < rows; ++r) {
        const Cell& cell = cellAt(r, column);
        if (digits && cell.kind == Kind::Integer) {
            if (isNumber && std::bit_cast<qint64>(cell.payload) == number) {
                return r;
            }
        } else if (textAt(r, column) == text) {
            return r;
        }
    }
    return -1;
}

QString ResultSet::asString(const QString& name) const
{
    const int column = requireField(name);
    return textOf(value(column), column);
}

qint64 ResultSet::asInteger(const QString& name) const
{
    const QVariant v = value(name);
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        if (!ok) {
            throw EAppError(QStringLiteral("'%1' 不是有效的整数值").arg(v.toString()));
        }
        return n;
    }
    return v.toLongLong();
}

bool ResultSet::asBoolean(const QString& name) const
{
    const QVariant v = value(name);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        return s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || (s.toDouble() != 0.0);
    }
    return v.isValid() && !v.isNull() && v.toDouble() != 0.0;
}

QDateTime ResultSet::asDateTime(const QString& name) const
{
    const QVariant v = value(name);
    if (!v.isValid() || v.isNull()) {
        return {};
    }
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong) {
        return Jet::fromDays(v.toDouble());
    }
    return {};
}

void ResultSet::appendTextKey(std::u16string& keys, const Cell& cell) const
{
    switch (cell.kind) {
    case Kind::Null:
        return;
    case Kind::Text:
    case Kind::Blob:
        if (!appendUtf8Key(keys, m_bytes.data() + cell.payload, cell.size)) {
            AppendCaselessKey(keys, QString::fromUtf8(m_bytes.data() + cell.payload, cell.size));
        }
        return;
    default:
        AppendCaselessKey(keys, variantOf(cell).toString());
    }
}

void ResultSet::setSortOrder(const QString& order)
{
    const QStringList words = order.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        m_sortOrder = order;
        return;
    }
    const int column = requireField(words.first());
    const bool descending = words.size() > 1 && words.at(1) == QLatin1String("DESC");
    const int rows = recordCount();

    // Numbers compare as numbers; anything else as text, ignoring case. Empty first.
    bool numeric = true;
    for (int r = 0; r < rows && numeric; ++r) {
        const Cell& cell = cellAt(r, column);
        if (cell.kind == Kind::Posted) {
            const QVariant& v = m_posted[cell.payload];
            numeric = v.isNull() || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double;
        } else {
            numeric = cell.kind == Kind::Null || cell.kind == Kind::Integer || cell.kind == Kind::Real;
        }
    }
    // Positions in the order shown now: a sort keeps the order of equal rows.
    std::vector<int> permutation(static_cast<size_t>(rows));
    std::iota(permutation.begin(), permutation.end(), 0);
    if (numeric) {
        std::vector<double> keys(static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            const Cell& cell = cellAt(r, column);
            double key = -std::numeric_limits<double>::infinity();
            if (cell.kind == Kind::Integer) {
                key = static_cast<double>(std::bit_cast<qint64>(cell.payload));
            } else if (cell.kind == Kind::Real) {
                key = std::bit_cast<double>(cell.payload);
            } else if (cell.kind == Kind::Posted && !m_posted[cell.payload].isNull()) {
                key = m_posted[cell.payload].toDouble();
            }
            keys[static_cast<size_t>(r)] = key;
        }
        std::stable_sort(permutation.begin(), permutation.end(), [&](int a, int b) {
            return descending ? keys[static_cast<size_t>(b)] < keys[static_cast<size_t>(a)]
                              : keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
        });
    } else if (column == m_rankedColumn) {
        // Sorted on this column before: the rows' ranks then order them as their keys would.
        auto rank = [&](int r) { return m_ranks[storedRow(r)]; };
        std::stable_sort(permutation.begin(), permutation.end(),
                         [&](int a, int b) { return descending ? rank(b) < rank(a) : rank(a) < rank(b); });
    } else {
        // Folded once here rather than in every comparison, so that comparing
        // the keys unit by unit gives the order of a caseless compare. All keys
        // share one buffer.
        std::u16string keys;
        std::vector<size_t> starts(static_cast<size_t>(rows) + 1);
        for (int r = 0; r < rows; ++r) {
            starts[static_cast<size_t>(r)] = keys.size();
            appendTextKey(keys, cellAt(r, column));
        }
        starts[static_cast<size_t>(rows)] = keys.size();
        auto key = [&](int r) {
            const size_t start = starts[static_cast<size_t>(r)];
            return std::u16string_view(keys.data() + start, starts[static_cast<size_t>(r) + 1] - start);
        };
        std::stable_sort(permutation.begin(), permutation.end(),
                         [&](int a, int b) { return descending ? key(b) < key(a) : key(a) < key(b); });
        // Equal keys share a rank; the next sort on this column needs no keys.
        std::vector<int> ranks(static_cast<size_t>(rows));
        int group = 0;
        for (int i = 0; i < rows; ++i) {
            const int r = permutation[static_cast<size_t>(i)];
            if (i > 0 && key(r) != key(permutation[static_cast<size_t>(i) - 1])) {
                ++group;
            }
            ranks[storedRow(r)] = group;
        }
        if (descending) {
            for (int& rank : ranks) {
                rank = group - rank;
            }
        }
        m_ranks = std::move(ranks);
        m_rankedColumn = column;
    }
    std::vector<int> shown(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        shown[static_cast<size_t>(i)] = static_cast<int>(storedRow(permutation[static_cast<size_t>(i)]));
    }
    m_order = std::move(shown);
    m_cursor = rows > 0 ? 0 : -1;
    m_sortOrder = order;
}

void ResultSet::append()
{
    if (m_table.isEmpty()) {
        throw EAppError(QStringLiteral("数据集不可更新"));
    }
    m_mode = Mode::Insert;
    m_pending.assign(m_fields.size(), QVariant());
    m_dirty.clear();
}

void ResultSet::edit()
{
    if (m_table.isEmpty() || eof()) {
        throw EAppError(QStringLiteral("数据集不可更新"));
    }
    m_mode = Mode::Edit;
    m_pending.clear();
    for (int c = 0; c < fieldCount(); ++c) {
        m_pending.push_back(valueAt(m_cursor, c));
    }
    m_dirty.clear();
}

void ResultSet::setValue(const QString& name, const QVariant& value)
{
    if (m_mode == Mode::Browse) {
        throw EAppError(QStringLiteral("数据集不在编辑或插入状态"));
    }
    const int column = requireField(name);
    m_pending[static_cast<size_t>(column)] = value;
    m_dirty.insert(column);
}

void ResultSet::cancel()
{
    m_mode = Mode::Browse;
    m_pending.clear();
    m_dirty.clear();
}

void ResultSet::post()
{
    if (m_mode == Mode::Browse) {
        return;
    }
    QList<int> columns = m_dirty.values();
    std::sort(columns.begin(), columns.end());
    QStringList names;
    for (int c : columns) {
        names << m_fields[static_cast<size_t>(c)].name;
    }
    QString sql;
    if (m_mode == Mode::Insert) {
        sql = names.isEmpty() ? QStringLiteral("insert into %1 default values").arg(m_table)
                              : QStringLiteral("insert into %1(%2) values(%3)")
                                    .arg(m_table, names.join(QLatin1Char(',')),
                                         QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    } else {
        if (names.isEmpty()) {
            cancel();
            return;
        }
        sql = QStringLiteral("update %1 set %2=? where _rowid_=?").arg(m_table, names.join(QStringLiteral("=?,")));
    }
    try {
        Statement stmt(m_db, sql.toUtf8());
        int index = 1;
        for (int c : columns) {
            stmt.bind(index++, m_pending[static_cast<size_t>(c)]);
        }
        if (m_mode == Mode::Edit) {
            stmt.bindInt64(index, m_rowids[storedRow(m_cursor)]);
        }
        stmt.run();
    } catch (const EngineError& e) {
        throw EDBException(e.text(), QStringLiteral("数据库操作失败！"), sql);
    }
    forgetRanks();
    if (m_mode == Mode::Insert) {
        const int stored = recordCount();
        m_rowids.push_back(sqlite3_last_insert_rowid(m_db));
        for (const QVariant& v : m_pending) {
            m_cells.push_back(posted(v));
        }
        if (!m_order.empty()) {
            m_order.push_back(stored);
        }
        m_cursor = recordCount() - 1;
    } else {
        const size_t base = storedRow(m_cursor) * m_fields.size();
        for (int c : columns) {
            m_cells[base + static_cast<size_t>(c)] = posted(m_pending[static_cast<size_t>(c)]);
        }
    }
    cancel();
}
