#pragma once

#include <QDateTime>
#include <QWidget>

class QAction;
class QButtonGroup;
class QMenu;
class QRadioButton;
class QTreeWidget;

// The "定时提醒" tab: the reminder list under six filters, missed rows red and
// seen rows blue, the editor commands, and the answers of the alert windows.
class RemindersTab : public QWidget
{
    Q_OBJECT

public:
    explicit RemindersTab(QWidget* parent = nullptr);

    // Start-up: today's reminders.
    // Lists the reminders under one of the six filters.
    void FillAlamList(int filter);
    void ShowToday();
    // Fills the list again under the selected filter.
    void Refill();
    // The filter code of the selected button.
    int CurrentFilter() const;
    // Once a second: a row whose moment has passed unseen turns red by itself.
    void TimeTick(const QDateTime& now);

    QTreeWidget* lv1 = nullptr; // the reminders list
    QWidget* pnlBottom = nullptr;
    QRadioButton* rbToDay = nullptr;
    QRadioButton* rbTomorrow = nullptr;
    QRadioButton* rbMiss = nullptr;
    QRadioButton* rb1 = nullptr; // 看过的提醒
    QRadioButton* rb2 = nullptr; // 每天的提醒
    QRadioButton* rbAll = nullptr;
    QMenu* pmAlam = nullptr;
    QAction* NAddAlam = nullptr;
    QAction* NModAlam = nullptr;
    QAction* NDelAlam = nullptr;

    // A search result: selects the reminder's row, under "全部提醒" when the
    // current filter does not list it.
    void ShowFound(const QString& id);

    void NAddAlamClick();
    void NModAlamClick();
    void NDelAlamClick();
    void WMAlamDelete(int id);
    void WMAlamSeen(int id);
    // An alert was put off: the reminder's row shows its new moment.
    void WMAlamSnooze(int id, const QDateTime& moment);

signals:
    // The reminders changed: what is next due may be another one.
    void scheduleChanged();

private:
    void showAll();
    // Marks the rows whose moment has passed unseen, and notes when the next will.
    void markMissed(const QString& now);

    QButtonGroup* m_filters = nullptr;
    QString m_nextMiss; // the earliest moment of an unseen row still to come
};
