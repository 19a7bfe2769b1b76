#pragma once

#include <QDateTime>
#include <QEvent>

// The two messages an alert window posts to the main window, carrying the
// reminder's ID: posted, never sent, so they are handled after the alert closed.
class AlamEvent : public QEvent
{
public:
    static constexpr QEvent::Type Delete = static_cast<QEvent::Type>(1025); // WM_ALAMDELETE
    static constexpr QEvent::Type Seen = static_cast<QEvent::Type>(1026);   // WM_ALAMSEEN
    static constexpr QEvent::Type Snooze = static_cast<QEvent::Type>(1027); // put off to Moment

    AlamEvent(QEvent::Type type, int id, const QDateTime& moment = QDateTime()) : QEvent(type), ID(id), Moment(moment)
    {}

    const int ID;
    const QDateTime Moment;
};
