#include "AlamScheduler.h"

#include "base/Clock.h"
#include "store/TAlam.h"

AlamScheduler::AlamScheduler(Alert alert, Unwatched unwatched)
    : m_alert(std::move(alert)), m_unwatched(std::move(unwatched))
{}

int AlamScheduler::MsecsToNextSecond()
{
    return 1000 - Clock::now().time().msec() + 5;
}

void AlamScheduler::checkSecond(const QDateTime& second)
{
    const QList<TAlam::Due> due = AlamStore.DueAt(second);
    m_last = second;
    alert(due, second);
}

void AlamScheduler::alert(const QList<TAlam::Due>& due, const QDateTime& second)
{
    for (const TAlam::Due& d : due) {
        m_alert(d.id, d.text, d.daily, second);
    }
}

void AlamScheduler::Recheck(const QList<QDateTime>& seconds)
{
    for (const QDateTime& second : seconds) {
        alert(AlamStore.DueAt(second), second);
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
    } else if (m_last.isValid() && m_last < second && m_unwatched) {
        m_unwatched(m_last.addSecs(1), second.addSecs(-1));
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
