#include "JetDialect.h"

#include "base/Clock.h"

#include <QHash>
#include <QVector>
#include <cmath>
#include <sqlcipher/sqlite3.h>

namespace {

const QDate kEpoch(1899, 12, 30);

} // namespace

namespace Jet {

double toDays(const QDate& date)
{
    return static_cast<double>(kEpoch.daysTo(date));
}

double toTimeFraction(const QTime& time)
{
    return QTime(0, 0).secsTo(time) / 86400.0;
}

double toDays(const QDateTime& moment)
{
    return toDays(moment.date()) + toTimeFraction(moment.time());
}

namespace {

enum class PartKind
{
    Literal,
    Year,
    Year2,
    Month,
    Day,
    Hour,
    Minute,
    Second
};

struct Part
{
    PartKind kind;
    bool twoDigits;
    QByteArray literal; // UTF-8
};

// A pattern split into parts once, so that formatting a column of many rows
// does no parsing.
QVector<Part> compile(const QString& pattern)
{
    struct Run
    {
        QChar letter;
        int count;
    };
    QVector<Run> runs;
    for (int i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        int j = i;
        while (j < pattern.size() && pattern.at(j) == c) {
            ++j;
        }
        runs.append({c, j - i});
        i = j;
    }
    QVector<Part> parts;
    bool afterHour = false; // mm right after an hour means minutes
    for (int k = 0; k < runs.size(); ++k) {
        const QChar c = runs[k].letter.toLower();
        const int n = runs[k].count;
        const bool two = n == 2;
        if (c == QLatin1Char('y')) {
            parts.append({n >= 3 ? PartKind::Year : PartKind::Year2, true, {}});
            afterHour = false;
        } else if (c == QLatin1Char('m') && n <= 2) {
            bool minutes = afterHour;
            for (int m = k + 1; m < runs.size() && !minutes; ++m) {
                const QChar next = runs[m].letter.toLower();
                if (next == QLatin1Char('s')) {
                    minutes = true;
                } else if (next.isLetter()) {
                    break;
                }
            }
            parts.append({minutes ? PartKind::Minute : PartKind::Month, two, {}});
            afterHour = false;
        } else if (c == QLatin1Char('d') && n <= 2) {
            parts.append({PartKind::Day, two, {}});
            afterHour = false;
        } else if (c == QLatin1Char('h') && n <= 2) {
            parts.append({PartKind::Hour, two, {}});
            afterHour = true;
        } else if (c == QLatin1Char('n') && n <= 2) {
            parts.append({PartKind::Minute, two, {}});
            afterHour = false;
        } else if (c == QLatin1Char('s') && n <= 2) {
            parts.append({PartKind::Second, two, {}});
            afterHour = false;
        } else {
            parts.append({PartKind::Literal, false, QString(n, runs[k].letter).toUtf8()});
        }
    }
    return parts;
}

const QVector<Part>& compiled(const QString& pattern)
{
    static QHash<QString, QVector<Part>> cache;
    auto it = cache.find(pattern);
    if (it == cache.end()) {
        it = cache.insert(pattern, compile(pattern));
    }
    return *it;
}

void appendNumber(QByteArray& out, int value, bool twoDigits)
{
    if (twoDigits && value < 10) {
        out += '0';
    }
    out += QByteArray::number(value);
}

QByteArray formatUtf8(const QDate& d, const QTime& t, const QString& pattern)
{
    QByteArray out;
    out.reserve(24);
    for (const Part& part : compiled(pattern)) {
        switch (part.kind) {
        case PartKind::Literal:
            out += part.literal;
            break;
        case PartKind::Year: {
            const QByteArray year = QByteArray::number(d.year());
            out += QByteArray(4 - std::min<qsizetype>(4, year.size()), '0') + year;
            break;
        }
        case PartKind::Year2:
            appendNumber(out, d.year() % 100, true);
            break;
        case PartKind::Month:
            appendNumber(out, d.month(), part.twoDigits);
            break;
        case PartKind::Day:
            appendNumber(out, d.day(), part.twoDigits);
            break;
        case PartKind::Hour:
            appendNumber(out, t.hour(), part.twoDigits);
            break;
        case PartKind::Minute:
            appendNumber(out, t.minute(), part.twoDigits);
            break;
        case PartKind::Second:
            appendNumber(out, t.second(), part.twoDigits);
            break;
        }
    }
    return out;
}

// Days as a date and a time of day, without the cost of a time zone.
void splitDays(double days, QDate& date, QTime& time)
{
    double whole = std::floor(days);
    qint64 seconds = std::llround((days - whole) * 86400.0);
    if (seconds >= 86400) {
        whole += 1;
        seconds -= 86400;
    }
    date = kEpoch.addDays(static_cast<qint64>(whole));
    time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(seconds * 1000));
}

} // namespace

QString format(const QDateTime& moment, const QString& pattern)
{
    return QString::fromUtf8(formatUtf8(moment.date(), moment.time(), pattern));
}

QDateTime fromDays(double days)
{
    QDate date;
    QTime time;
    splitDays(days, date, time);
    return QDateTime(date, time);
}

namespace {

QDateTime parseText(const QString& text)
{
    const QString s = text.trimmed();
    for (const char* f : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd"}) {
        const QDateTime dt = QDateTime::fromString(s, QLatin1String(f));
        if (dt.isValid()) {
            return dt;
        }
    }
    const QTime t = QTime::fromString(s, QStringLiteral("HH:mm:ss"));
    if (t.isValid()) {
        return QDateTime(kEpoch, t);
    }
    return {};
}

QDateTime g_statementTime;

QDateTime statementNow()
{
    return g_statementTime.isValid() ? g_statementTime : Clock::now();
}

void fnDate(sqlite3_context* ctx, int, sqlite3_value**)
{
    sqlite3_result_double(ctx, toDays(statementNow().date()));
}

void fnNow(sqlite3_context* ctx, int, sqlite3_value**)
{
    sqlite3_result_double(ctx, toDays(statementNow()));
}

void fnTime(sqlite3_context* ctx, int, sqlite3_value**)
{
    sqlite3_result_double(ctx, toTimeFraction(statementNow().time()));
}

bool truthy(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return false;
    case SQLITE_INTEGER:
        return sqlite3_value_int64(v) != 0;
    case SQLITE_FLOAT:
        return sqlite3_value_double(v) != 0.0;
    default: {
        const QString s = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v))).trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
            return true;
        }
        bool ok = false;
        const double n = s.toDouble(&ok);
        return ok && n != 0.0;
    }
    }
}

void fnIIf(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_result_value(ctx, truthy(argv[0]) ? argv[1] : argv[2]);
}

void fnFormat(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_value* v = argv[0];
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString pattern = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[1])));
    QDate date;
    QTime time;
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        splitDays(sqlite3_value_double(v), date, time);
    } else {
        const QDateTime moment = parseText(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v))));
        if (!moment.isValid()) {
            sqlite3_result_value(ctx, v);
            return;
        }
        date = moment.date();
        time = moment.time();
    }
    const QByteArray text = formatUtf8(date, time, pattern);
    sqlite3_result_text(ctx, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

} // namespace

StatementTime::StatementTime(const QDateTime& moment) : m_previous(g_statementTime)
{
    g_statementTime = moment;
}

StatementTime::~StatementTime()
{
    g_statementTime = m_previous;
}

void registerFunctions(sqlite3* db)
{
    // Zero-argument versions take precedence over the engine's own date() and time().
    // Declared deterministic so that the engine reads the clock once per run of a
    // statement instead of once per row: every row of one run sees the same moment,
    // and the next run reads the clock again.
    constexpr int kOncePerRun = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "Date", 0, kOncePerRun, nullptr, fnDate, nullptr, nullptr);
    sqlite3_create_function(db, "Now", 0, kOncePerRun, nullptr, fnNow, nullptr, nullptr);
    sqlite3_create_function(db, "time", 0, kOncePerRun, nullptr, fnTime, nullptr, nullptr);
    sqlite3_create_function(db, "IIf", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fnIIf, nullptr, nullptr);
    sqlite3_create_function(db, "format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fnFormat, nullptr, nullptr);
}

} // namespace Jet
