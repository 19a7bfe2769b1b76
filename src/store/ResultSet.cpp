#include "ResultSet.h"

#include "DbConnection.h"
#include "JetDialect.h"
#include "Statement.h"
#include "base/Exceptions.h"

#include <QRegularExpression>
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

std::u16string CaselessKey(const QString& text)
{
    std::u16string key;
    key.reserve(static_cast<size_t>(text.size()));
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, text.at(++i)));
            key.push_back(QChar::highSurrogate(folded));
            key.push_back(QChar::lowSurrogate(folded));
        } else {
            key.push_back(c.isSurrogate() ? c.unicode() : QChar::toCaseFolded(c.unicode()));
        }
    }
    return key;
}

namespace {

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
        while (stmt.step()) {
            if (skip) {
                m_rowids.push_back(stmt.int64(0));
            }
            for (int c = skip; c < columns; ++c) {
                m_cells.push_back(stmt.value(c));
            }
        }
    } catch (const EngineError&) {
        clear();
        throw;
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
    m_cells.clear();
    m_rowids.clear();
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

QVariant ResultSet::valueAt(int row, int column) const
{
    if (row < 0 || row >= recordCount() || column < 0 || column >= fieldCount()) {
        return {};
    }
    return m_cells[static_cast<size_t>(row) * m_fields.size() + static_cast<size_t>(column)];
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
    return textOf(valueAt(row, column), column);
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

void ResultSet::reorder(const std::vector<int>& order)
{
    const size_t width = m_fields.size();
    std::vector<QVariant> cells;
    cells.reserve(m_cells.size());
    std::vector<qint64> rowids;
    rowids.reserve(m_rowids.size());
    for (int row : order) {
        const size_t base = static_cast<size_t>(row) * width;
        for (size_t c = 0; c < width; ++c) {
            cells.push_back(std::move(m_cells[base + c]));
        }
        if (!m_rowids.empty()) {
            rowids.push_back(m_rowids[static_cast<size_t>(row)]);
        }
    }
    m_cells = std::move(cells);
    m_rowids = std::move(rowids);
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
    const size_t width = m_fields.size();

    // Numbers compare as numbers; anything else as text, ignoring case. Empty first.
    bool numeric = true;
    for (int r = 0; r < rows && numeric; ++r) {
        const QVariant& v = m_cells[static_cast<size_t>(r) * width + static_cast<size_t>(column)];
        numeric = v.isNull() || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double;
    }
    std::vector<int> permutation(static_cast<size_t>(rows));
    std::iota(permutation.begin(), permutation.end(), 0);
    auto cell = [&](int r) -> const QVariant& {
        return m_cells[static_cast<size_t>(r) * width + static_cast<size_t>(column)];
    };
    if (numeric) {
        std::vector<double> keys(static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            keys[static_cast<size_t>(r)] =
                cell(r).isNull() ? -std::numeric_limits<double>::infinity() : cell(r).toDouble();
        }
        std::stable_sort(permutation.begin(), permutation.end(), [&](int a, int b) {
            return descending ? keys[static_cast<size_t>(b)] < keys[static_cast<size_t>(a)]
                              : keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
        });
    } else {
        // Folded once here rather than in every comparison, so that comparing
        // the keys unit by unit gives the order of a caseless compare.
        std::vector<std::u16string> keys(static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            const QString text = cell(r).toString();
            keys[static_cast<size_t>(r)] = CaselessKey(text);
        }
        std::stable_sort(permutation.begin(), permutation.end(), [&](int a, int b) {
            const std::u16string& left = keys[static_cast<size_t>(a)];
            const std::u16string& right = keys[static_cast<size_t>(b)];
            return descending ? right < left : left < right;
        });
    }
    reorder(permutation);
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
            stmt.bindInt64(index, m_rowids[static_cast<size_t>(m_cursor)]);
        }
        stmt.run();
    } catch (const EngineError& e) {
        throw EDBException(e.text(), QStringLiteral("数据库操作失败！"), sql);
    }
    if (m_mode == Mode::Insert) {
        m_rowids.push_back(sqlite3_last_insert_rowid(m_db));
        for (auto& v : m_pending) {
            m_cells.push_back(std::move(v));
        }
        m_cursor = recordCount() - 1;
    } else {
        const size_t base = static_cast<size_t>(m_cursor) * m_fields.size();
        for (int c : columns) {
            m_cells[base + static_cast<size_t>(c)] = m_pending[static_cast<size_t>(c)];
        }
    }
    cancel();
}
