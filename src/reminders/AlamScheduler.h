#pragma once

#include "store/TAlam.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

// Finds the reminders due in each second and opens their alerts. A tick that
// comes late also covers the seconds skipped since the last one (up to five
// minutes back); no second is looked at twice. A failing query is reported once,
// and again only after a tick has succeeded in between.
class AlamScheduler
{
public:
    using Alert = std::function<void(const QString& id, const QString& text, bool daily, const QDateTime& due)>;

    // The seconds from `from` to `to` went by unwatched (the machine slept, the
    // clock jumped ahead past the catch-up window).
    using Unwatched = std::function<void(const QDateTime& from, const QDateTime& to)>;

    explicit AlamScheduler(Alert alert, Unwatched unwatched = {});

    // One tick at the clock's current second; raises only a first failure.
    void Tick();
    // Looks at past seconds again (after a restore replaced the data they were
    // answered from); seconds already looked at stay so.
    void Recheck(const QList<QDateTime>& seconds);
    // Milliseconds from now to just after the start of the next second.
    static int MsecsToNextSecond();

    static constexpr int kCatchUpSeconds = 300;

private:
    void checkSecond(const QDateTime& second);
    void alert(const QList<TAlam::Due>& due, const QDateTime& second);

    Alert m_alert;
    Unwatched m_unwatched;
    QDateTime m_last; // the last second looked at
    bool m_failing = false;
    bool m_inTick = false;
};
