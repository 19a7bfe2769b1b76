#pragma once

#include <QDateTime>
#include <QString>

struct sqlite3;

// Date-times are kept as the old file format kept them: days since 1899-12-30,
// the time of day as the fraction, to the whole second. A time-only value is a
// fraction below 1, a date-only value a whole number.
namespace Jet {

double toDays(const QDateTime& moment);
double toDays(const QDate& date);
double toTimeFraction(const QTime& time);
QDateTime fromDays(double days);

// The text of a date-time for a pattern such as "yyyy-mm-dd HH:mm:ss", where mm
// after an hour or before seconds means minutes.
QString format(const QDateTime& moment, const QString& pattern);

// Date(), Now(), time(), IIf() and format() on the program's clock.
void registerFunctions(sqlite3* db);

// Runs statements as of another moment: Date(), Now() and time() answer with it
// while the object lives. The scheduler uses it to look at seconds a late tick
// skipped, with the very statement it runs every second.
class StatementTime
{
public:
    explicit StatementTime(const QDateTime& moment);
    ~StatementTime();
    StatementTime(const StatementTime&) = delete;
    StatementTime& operator=(const StatementTime&) = delete;

private:
    QDateTime m_previous;
};

// The one rewrite before a statement reaches the engine: a + beside a string
// literal joins texts, so it becomes || (with the other operand in parentheses,
// since || binds tighter than * / % here).
QString rewrite(const QString& statement);

} // namespace Jet
