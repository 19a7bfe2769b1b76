#include "TAlam.h"

#include "JetDialect.h"
#include "SqlText.h"
#include "Statements.h"
#include "TDbAccess.h"
#include "base/Clock.h"

TAlam AlamStore;

const QString TAlam::SeenText = QStringLiteral("看过的");
const QString TAlam::MissedText = QStringLiteral("错过的");

QString AlamDateText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString AlamTimeText(const QTime& time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QDate DailyFixedDate()
{
    return QDate::fromString(QStringLiteral("1981-02-14"), QStringLiteral("yyyy-MM-dd"));
}

namespace {

QString boolText(bool value)
{
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

} // namespace

// Such texts sort as their moments do, so no time-zone-aware parsing is needed per row.
bool TAlam::IsMomentText(const QString& text)
{
    if (text.size() != 19 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-') ||
        text.at(10) != QLatin1Char(' ') || text.at(13) != QLatin1Char(':') || text.at(16) != QLatin1Char(':')) {
        return false;
    }
    auto number = [&text](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i) {
            if (!text.at(i).isDigit()) {
                return -1;
            }
            value = value * 10 + text.at(i).digitValue();
        }
        return value;
    };
    const int y = number(0, 4), m = number(5, 2), d = number(8, 2);
    const int h = number(11, 2), n = number(14, 2), s = number(17, 2);
    return y >= 0 && QDate::isValid(y, m, d) && h >= 0 && h < 24 && n >= 0 && n < 60 && s >= 0 && s < 60;
}

void TAlam::InsertAlam()
{
    if (ReDay) {
        statement = SqlFormat(Sql::AlamAddDaily, {AlamTimeText(AlamTime), ReMark});
    } else {
        statement =
            SqlFormat(Sql::AlamAddOnce, {AlamTimeText(AlamTime), AlamDateText(AlamDate), boolText(false), ReMark});
    }
    ExecSQL(statement);
}

ListRows TAlam::FillAlamList(int filter)
{
    filter = std::clamp(filter, 0, 5);
    statement = Sql::AlamList + Sql::AlamFilters[filter] + (filter == Daily ? Sql::AlamDailyOrder : Sql::AlamOrder);
    ListRows list = DbAccess->ListQuery(statement);
    // Missed is not stored: a one-off whose moment has passed and that nobody saw.
    const QString now = Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    for (QStringList& row : list.rows) {
        if (row.size() > 3 && row.at(3).isEmpty() && IsMomentText(row.at(1)) && row.at(1) < now) {
            row[3] = MissedText;
        }
    }
    return list;
}

void TAlam::Snooze(const QString& id, const QDateTime& moment)
{
    LoadAlam(id);
    if (ReDay) {
        statement = SqlFormat(Sql::SnoozeAdd, {id, QString::number(moment.toSecsSinceEpoch())});
        ExecSQL(statement);
        return;
    }
    AlamTime = QTime(moment.time().hour(), moment.time().minute(), moment.time().second());
    AlamDate = moment.date();
    UpdateAlam(id);
}

ListRows TAlam::MissedBetween(const QDateTime& from, const QDateTime& to)
{
    statement = Sql::AlamList + Sql::AlamFilters[Missed] + Sql::AlamOrder;
    ListRows all = DbAccess->ListQuery(statement);
    const QString first = from.isValid() ? from.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
    const QString last = to.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    ListRows missed;
    missed.titles = all.titles.mid(0, 3);
    for (const QStringList& row : std::as_const(all.rows)) {
        if (row.size() >= 3 && IsMomentText(row.at(1)) && row.at(1) >= first && row.at(1) <= last) {
            missed.rows.append(row.mid(0, 3));
        }
    }
    return missed;
}

bool TAlam::NextDue(QDateTime* when, QString* text)
{
    statement = Sql::AlamNext;
    DbAccess->OpenQuery(statement);
    const ResultSet& row = DbAccess->Query;
    if (row.eof()) {
        return false;
    }
    *text = row.asString(QStringLiteral("Remark"));
    *when = Jet::fromDays(row.value(QStringLiteral("Due")).toDouble());
    return true;
}

bool TAlam::mayBeDue(const QDateTime& second)
{
    const quint64 version = DbAccess->DataVersion();
    if (!m_dueKnown || version != m_dueVersion) {
        m_dueKnown = false;
        ResultSet& rows = DbAccess->TimerQuery;
        DbAccess->OpenTimerQuery(Sql::AlamTimes);
        QSet<double> times;
        times.reserve(rows.recordCount());
        for (int r = 0; r < rows.recordCount(); ++r) {
            const double t = rows.valueAt(r, 0).toDouble();
            times.insert(t == 0.0 ? 0.0 : t); // one zero for both signs
        }
        DbAccess->OpenTimerQuery(Sql::SnoozeFirst);
        const QVariant first = rows.eof() ? QVariant() : rows.value(0);
        m_dueTimes = std::move(times);
        m_hasSnooze = first.isValid() && !first.isNull();
        m_firstSnooze = m_hasSnooze ? first.toLongLong() : 0;
        m_dueVersion = version;
        m_dueKnown = true;
    }
    // The same number the statement's time() gives for that second.
    return m_dueTimes.contains(Jet::toTimeFraction(second.time())) ||
           (m_hasSnooze && second.toSecsSinceEpoch() >= m_firstSnooze);
}

QList<TAlam::Due> TAlam::DueAt(const QDateTime& second)
{
    if (!mayBeDue(second)) {
        return {};
    }
    {
        // The scheduler's own statement, answered as of that second.
        const Jet::StatementTime asOf(second);
        DbAccess->OpenTimerQuery(Sql::AlamDue);
    }
    const double today = Jet::toDays(second.date());
    ResultSet& rows = DbAccess->TimerQuery;
    QList<Due> due;
    for (rows.first(); !rows.eof(); rows.next()) {
        const bool daily = rows.asBoolean(QStringLiteral("ReDay"));
        const QVariant date = rows.value(QStringLiteral("AlamDate"));
        if (daily || (!date.isNull() && date.toDouble() == today)) {
            due.append({rows.asString(QStringLiteral("ID")), rows.asString(QStringLiteral("Remark")), daily});
        }
    }
    // Snoozes due by this second, also those that fell due while the program
    // was not running: each pops once.
    const QString second_ = QString::number(second.toSecsSinceEpoch());
    DbAccess->OpenTimerQuery(SqlFormat(Sql::SnoozeDue, {second_}));
    if (!rows.eof()) {
        for (rows.first(); !rows.eof(); rows.next()) {
            due.append({rows.asString(QStringLiteral("ID")), rows.asString(QStringLiteral("Remark")),
                        rows.asBoolean(QStringLiteral("ReDay"))});
        }
        ExecSQL(SqlFormat(Sql::SnoozeDone, {second_}));
    }
    return due;
}

void TAlam::DeleteAlam(const QString& id)
{
    statement = SqlFormat(Sql::AlamDelete, {id}) + kBatchSeparator + SqlFormat(Sql::SnoozeDelete, {id});
    ExecSQL(statement);
}

void TAlam::LoadAlam(const QString& id)
{
    statement = SqlFormat(Sql::AlamRead, {id});
    DbAccess->OpenQuery(statement);
    const ResultSet& row = DbAccess->Query;
    const QDateTime zero = Jet::fromDays(0);
    if (row.eof()) {
        AlamTime = zero.time();
        AlamDate = zero.date();
        ReDay = false;
        ReMark.clear();
        return;
    }
    const QDateTime time = row.asDateTime(QStringLiteral("AlamTime"));
    const QDateTime date = row.asDateTime(QStringLiteral("AlamDate"));
    AlamTime = time.isValid() ? time.time() : zero.time();
    AlamDate = date.isValid() ? date.date() : zero.date();
    ReDay = row.asBoolean(QStringLiteral("ReDay"));
    ReMark = row.asString(QStringLiteral("ReMark"));
}

void TAlam::UpdateAlam(const QString& id)
{
    statement =
        SqlFormat(Sql::AlamChange, {AlamTimeText(AlamTime), AlamDateText(AlamDate), boolText(ReDay), ReMark, id});
    ExecSQL(statement);
}

void TAlam::SetAlamSeen(const QString& id)
{
    statement = SqlFormat(Sql::AlamSeen, {id});
    ExecSQL(statement);
}
