#pragma once

#include <QObject>
#include <QString>

class TFormShowAlam;

// An alert's desktop notification, where the session bus has a notification
// service: "提醒", the text the alert shows, and the answers 看到了 and 稍后提醒.
// Answering either answers both; closing either closes the other. It lives as a
// child of its alert and never waits on the bus: without a bus or a service
// nothing at all happens.
class AlertNotice : public QObject
{
    Q_OBJECT

public:
    // Posts the notification of an alert now on the screen.
    static void Post(TFormShowAlam* alert);

    // Tests name a bus connection of their own (a name without a connection is
    // no bus at all); empty restores the session bus.
    static void setBus(const QString& connectionName);

    // The notification's answers, as the service reports them back.
    static constexpr const char* kSeenAction = "seen";   // 看到了
    static constexpr const char* kLaterAction = "later"; // 稍后提醒
    // 稍后提醒 in the notification puts the reminder off by the shortest offset of
    // the alert's own menu: on a desktop where only the notification is seen, it
    // comes back soon rather than asking for a moment in a window out of sight.
    static constexpr int kLaterSeconds = 300;

    ~AlertNotice() override;

    // The service's number for this notification; 0 until it answered.
    uint Id() const;

private:
    explicit AlertNotice(TFormShowAlam* alert);
    void notify();
    void refresh();
    void posted(uint id);
    friend class NoticeRouter;
    void actionInvoked(const QString& action);
    void closedByService();

    TFormShowAlam* m_alert;
    QString m_bus;
    uint m_id = 0;
    bool m_closed = false; // the service closed it, or it was answered there
    bool m_markup = false; // the service reads the text as markup
    bool m_asked = false;  // the first Notify went out
    bool m_inFlight = false;
    bool m_stale = false; // the alert's text changed while a Notify was in flight
    QString m_sent;       // the text last sent
};
