#pragma once

#include "ListRows.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QTime>

// The reminders table: one held record, the statements of each operation, and
// the reminders list under one of six filters with missed rows marked.
class TAlam
{
public:
    enum Filter
    {
        Today = 0,
        Tomorrow = 1,
        Missed = 2,
        Seen = 3,
        Daily = 4,
        All = 5
    };

    // A reminder due in a second: its ID, text and whether it is daily.
    struct Due
    {
        QString id;
        QString text;
        bool daily;
    };

    // A daily record is inserted without its date.
    void InsertAlam();
    // The list under a filter, with the missed rows' status set.
    ListRows FillAlamList(int filter);
    // The one-off reminders whose moment fell in [from, to] (from invalid: any
    // time before) and that nobody saw, as list rows (ID, moment, text), in order.
    ListRows MissedBetween(const QDateTime& from, const QDateTime& to);
    // The reminder next due from now on; false when there is none.
    bool NextDue(QDateTime* when, QString* text);
    // Whether a list time text is a whole "yyyy-MM-dd HH:mm:ss" moment (a
    // one-off reminder's), which compares as its moment does.
    static bool IsMomentText(const QString& text);

    // Puts a reminder off to a moment: a one-off one moves there (unseen again); a
    // daily one pops once more then and keeps its daily time.
    void Snooze(const QString& id, const QDateTime& moment);

    // The reminders due in one second, through the scheduler's own result set;
    // snoozes due by then are handed out once. Asks the database only in a second
    // some reminder's time or a snooze points at, as known since its last change.
    QList<Due> DueAt(const QDateTime& second);
    void DeleteAlam(const QString& id);
    // A vanished reminder reads as an empty record: zero time and date, not daily.
    void LoadAlam(const QString& id);
    // Writes all four values and makes the reminder unseen again.
    void UpdateAlam(const QString& id);
    void SetAlamSeen(const QString& id);

    QTime AlamTime;
    QDate AlamDate;
    bool ReDay = false;
    QString ReMark;
    QString statement;

    // The list's status texts.
    static const QString SeenText;
    static const QString MissedText;

private:
    bool mayBeDue(const QDateTime& second);

    // Every stored reminder time and the first snooze, as of m_dueVersion.
    QSet<double> m_dueTimes;
    qint64 m_firstSnooze = 0;
    bool m_hasSnooze = false;
    bool m_dueKnown = false;
    quint64 m_dueVersion = 0;
};

extern TAlam AlamStore;

// Date and time as the reminders write and read them.
QString AlamDateText(const QDate& date);
QString AlamTimeText(const QTime& time);
// The date read from "1981-02-14": every reminder saved as daily through the
// modify dialog gets it, so that it never matches today or tomorrow.
QDate DailyFixedDate();
