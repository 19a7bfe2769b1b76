#pragma once

#include <QEvent>

// The two messages an alert window posts to the main window, carrying the
// reminder's ID: posted, never sent, so they are handled after the alert closed.
class AlamEvent : public QEvent
{
public:
    static constexpr QEvent::Type Delete = static_cast<QEvent::Type>(1025); // WM_ALAMDELETE
    static constexpr QEvent::Type Seen = static_cast<QEvent::Type>(1026);   // WM_ALAMSEEN

    AlamEvent(QEvent::Type type, int id) : QEvent(type), ID(id)
    {}

    const int ID;
};
