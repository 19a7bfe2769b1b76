#include "AlamScheduler.h"

#include "base/Clock.h"
#include "store/JetDialect.h"
#include "store/Statements.h"
#include "store/TDbAccess.h"

#include <vector>

AlamScheduler::AlamScheduler(Alert alert) : m_alert(std::move(alert))
{}

int AlamScheduler::MsecsToNextSecond()
{
    return 1000 - Clock::now().time().msec() + 5;
}

void AlamScheduler::checkSecond(const QDateTime& second)
{
    struct Due
    {
        QString id;
        QString text;
        bool daily;
    };
    std::vector<Due> due;
    {
        // The scheduler's own statement, answered as of that second.
        const Jet::StatementTime asOf(second);
        DbAccess->OpenTimerQuery(Sql::AlamDue);
    }
    const double today = Jet::toDays(second.date());
    ResultSet& rows = DbAccess->TimerQuery;
    for (rows.first(); !rows.eof(); rows.next()) {
        const bool daily = rows.asBoolean(QStringLiteral("ReDay"));
        const QVariant date = rows.value(QStringLiteral("AlamDate"));
        if (daily || (!date.isNull() && date.toDouble() == today)) {
            due.push_back({rows.asString(QStringLiteral("ID")), rows.asString(QStringLiteral("Remark")), daily});
        }
    }
    m_last = second;
    for (const Due& d : due) {
        m_alert(d.id, d.text, d.daily);
    }
}

void AlamScheduler::Tick()
{
    if (m_inTick) {
        return;
    }
    const QDateTime now = Clock::now();
    const QDateTime second(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    if (m_last.isValid() && m_last == second) {
        return;
    }
    QDateTime from = second;
    if (m_last.isValid() && m_last < second && m_last.secsTo(second) <= kCatchUpSeconds) {
        from = m_last.addSecs(1);
    }
    m_inTick = true;
    try {
        for (QDateTime s = from; s <= second; s = s.addSecs(1)) {
            checkSecond(s);
        }
    } catch (...) {
        m_inTick = false;
        if (m_failing) {
            return;
        }
        m_failing = true;
        throw;
    }
    m_inTick = false;
    m_failing = false;
}
