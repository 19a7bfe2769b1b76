#include "JetDialect.h"

#include "shell/Clock.h"

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

QDateTime fromDays(double days)
{
    double whole = std::floor(days);
    qint64 seconds = std::llround((days - whole) * 86400.0);
    if (seconds >= 86400) {
        whole += 1;
        seconds -= 86400;
    }
    return QDateTime(kEpoch.addDays(static_cast<qint64>(whole)), QTime(0, 0).addSecs(static_cast<int>(seconds)));
}

QString format(const QDateTime& moment, const QString& pattern)
{
    struct Token
    {
        QChar letter;
        int count;
    };
    QVector<Token> tokens;
    for (int i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        int j = i;
        while (j < pattern.size() && pattern.at(j) == c) {
            ++j;
        }
        tokens.append({c, j - i});
        i = j;
    }
    auto pad = [](int value, int width) { return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')); };
    const QDate d = moment.date();
    const QTime t = moment.time();
    QString out;
    QChar lastPart; // 'h' once an hour was written, so that a following mm means minutes
    for (int k = 0; k < tokens.size(); ++k) {
        const QChar c = tokens[k].letter.toLower();
        const int n = tokens[k].count;
        if (c == QLatin1Char('y')) {
            out += n >= 3 ? pad(d.year(), 4) : pad(d.year() % 100, 2);
        } else if (c == QLatin1Char('m') && n <= 2) {
            bool minutes = lastPart == QLatin1Char('h');
            for (int m = k + 1; m < tokens.size() && !minutes; ++m) {
                const QChar next = tokens[m].letter.toLower();
                if (next == QLatin1Char('s')) {
                    minutes = true;
                } else if (next.isLetter()) {
                    break;
                }
            }
            const int value = minutes ? t.minute() : d.month();
            out += n == 2 ? pad(value, 2) : QString::number(value);
            lastPart = minutes ? QLatin1Char('n') : QLatin1Char('m');
            continue;
        } else if (c == QLatin1Char('d')) {
            out += n == 2 ? pad(d.day(), 2) : QString::number(d.day());
        } else if (c == QLatin1Char('h')) {
            out += n == 2 ? pad(t.hour(), 2) : QString::number(t.hour());
        } else if (c == QLatin1Char('n')) {
            out += n == 2 ? pad(t.minute(), 2) : QString::number(t.minute());
        } else if (c == QLatin1Char('s')) {
            out += n == 2 ? pad(t.second(), 2) : QString::number(t.second());
        } else {
            out += QString(n, tokens[k].letter);
            continue;
        }
        lastPart = c;
    }
    return out;
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

void fnDate(sqlite3_context* ctx, int, sqlite3_value**)
{
    sqlite3_result_double(ctx, toDays(Clock::now().date()));
}

void fnNow(sqlite3_context* ctx, int, sqlite3_value**)
{
    sqlite3_result_double(ctx, toDays(Clock::now()));
}

void fnTime(sqlite3_context* ctx, int, sqlite3_value**)
{
    sqlite3_result_double(ctx, toTimeFraction(Clock::now().time()));
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
    QDateTime moment;
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        moment = fromDays(sqlite3_value_double(v));
    } else {
        moment = parseText(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v))));
        if (!moment.isValid()) {
            sqlite3_result_value(ctx, v);
            return;
        }
    }
    const QByteArray text = format(moment, pattern).toUtf8();
    sqlite3_result_text(ctx, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

} // namespace

void registerFunctions(sqlite3* db)
{
    // Zero-argument versions take precedence over the engine's own date() and time().
    sqlite3_create_function(db, "Date", 0, SQLITE_UTF8, nullptr, fnDate, nullptr, nullptr);
    sqlite3_create_function(db, "Now", 0, SQLITE_UTF8, nullptr, fnNow, nullptr, nullptr);
    sqlite3_create_function(db, "time", 0, SQLITE_UTF8, nullptr, fnTime, nullptr, nullptr);
    sqlite3_create_function(db, "IIf", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fnIIf, nullptr, nullptr);
    sqlite3_create_function(db, "format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fnFormat, nullptr,
                            nullptr);
}

} // namespace Jet
