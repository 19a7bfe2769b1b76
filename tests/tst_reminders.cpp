// Reminders: the list and its filters, the scheduler with the clock set by the
// test, the alert window and its answers, the editors and the phrases.
#include "FakeNotifications.h"
#include "ModalPoller.h"
#include "Seed.h"
#include "TestEnv.h"
#include "base/AppLock.h"
#include "base/Clock.h"
#include "base/ExceptionHandler.h"
#include "desktop/TrayIcon.h"
#include "frame/TFormMain.h"
#include "reminders/AlamScheduler.h"
#include "reminders/AlertNotice.h"
#include "reminders/Chime.h"
#include "reminders/RemindersTab.h"
#include "reminders/SoundOutput.h"
#include "reminders/TFormAddAlam.h"
#include "reminders/TFormAlamContext.h"
#include "reminders/TFormMissedAlam.h"
#include "reminders/TFormShowAlam.h"
#include "reminders/WavPcm.h"
#include "store/DbConnection.h"
#include "store/SqlText.h"
#include "store/Statements.h"
#include "store/TAlam.h"
#include "store/TDbAccess.h"
#include "widgets/ListFill.h"

#include <QDateEdit>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTextEdit>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QDate kToday(2024, 3, 15);

// The rows of a list as "id|time|text|status".
QStringList rowsOf(QTreeWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        out << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join(QLatin1Char('|'));
    }
    return out;
}

struct Alerts
{
    AlamScheduler scheduler{[this](const QString& id, const QString& text, bool daily, const QDateTime&) {
        seen << QStringLiteral("%1:%2:%3").arg(id, text, daily ? QStringLiteral("daily") : QStringLiteral("once"));
    }};
    QStringList seen;
    QStringList tickAt(const QTime& time, const QDate& date = kToday)
    {
        seen.clear();
        Clock::setFixed(QDateTime(date, time));
        scheduler.Tick();
        return seen;
    }
};

void closeAlerts()
{
    TFormShowAlam::CloseAll();
}

} // namespace

class TestReminders : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        closeAlerts();
        Chime::setPlayer({});
    }
    void listMarksMissedRows();
    void storeRecordRoundTrip();
    void schedulerFiresInItsSecondOnly();
    void schedulerDailyEveryDay();
    void lateTickCatchesUpOnce();
    void failingQueryReportedOnce();
    void schedulerSeesEveryChange();
    void dailyAlertStoresNothing();
    void alertAnswersUpdateTheList();
    void alertAnswerableWhileADialogIsOpen();
    void alertsStackAndWait();
    void scheduleKeepsItselfCurrent();
    void snooze_data();
    void snooze();
    void customSnoozeMoment();
    void desktopNotice_data();
    void desktopNotice();
    void lockedAlertShowsOnlyItsMoment();
    void desktopNoticeWithoutService();
    void desktopNoticeAnsweredBeforePosted();
    void missedWhileAway();
    void nothingMissedShowsNothing();
    void seenRowRepaintsWhole();
    void answerForUnlistedReminder();
    void editorChecks_data();
    void editorChecks();
    void quickOffsets_data();
    void quickOffsets();
    void onceDailySwitchResetsDate();
    void modifyDialog();
    void tabCommands();
    void phrases();
    void wavReading_data();
    void wavReading();
    void volumeScalesSamples();
    void chimeWithoutSoundServerBeeps();
};

void TestReminders::listMarksMissedRows()
{
    TestEnv env(true, QDateTime(kToday, QTime(9, 30, 0)));
    const qint64 past = addOnce("09:29:59", kToday, "past");
    const qint64 later = addOnce("09:30:01", kToday, "later");
    const qint64 daily = addDaily("01:00:00", "daily");
    const qint64 seen = addOnce("08:00:00", kToday, "seen");
    AlamStore.SetAlamSeen(QString::number(seen));
    QTreeWidget list;
    list.setColumnCount(4);
    const QString p = QString::number(past), l = QString::number(later), d = QString::number(daily),
                  s = QString::number(seen);
    FillListView(AlamStore.FillAlamList(TAlam::Today), &list, false);
    // In the order they fall due.
    QCOMPARE(rowsOf(&list), (QStringList{s + "|2024-03-15 08:00:00|seen|看过的", p + "|2024-03-15 09:29:59|past|错过的",
                                         l + "|2024-03-15 09:30:01|later|"}));
    FillListView(AlamStore.FillAlamList(TAlam::Missed), &list, false);
    QCOMPARE(rowsOf(&list), QStringList{p + "|2024-03-15 09:29:59|past|错过的"});
    const QString late = QString::number(addDaily("23:00:00", "late"));
    // The daily ones alone by time of day, whatever the time now.
    FillListView(AlamStore.FillAlamList(TAlam::Daily), &list, false);
    QCOMPARE(rowsOf(&list), (QStringList{d + "|每天  01:00:00|daily|", late + "|每天  23:00:00|late|"}));
    FillListView(AlamStore.FillAlamList(TAlam::All), &list, false);
    // Among the rest, a daily one whose time has passed today is next due tomorrow: last.
    QCOMPARE(rowsOf(&list).size(), 5);
    QCOMPARE(rowsOf(&list).mid(2), (QStringList{l + "|2024-03-15 09:30:01|later|", late + "|每天  23:00:00|late|",
                                                d + "|每天  01:00:00|daily|"}));
}

void TestReminders::storeRecordRoundTrip()
{
    TestEnv env;
    const qint64 id = addOnce("10:11:12", QDate(2024, 4, 1), "  two\nlines 'quoted' @#@ ");
    AlamStore.SetAlamSeen(QString::number(id));
    AlamStore.ReMark.clear();
    AlamStore.LoadAlam(QString::number(id));
    QCOMPARE(AlamStore.AlamTime, QTime(10, 11, 12));
    QCOMPARE(AlamStore.AlamDate, QDate(2024, 4, 1));
    QVERIFY(!AlamStore.ReDay);
    QCOMPARE(AlamStore.ReMark, QStringLiteral("  two\nlines 'quoted' @#@ "));
    // Changing it makes it unseen again.
    AlamStore.UpdateAlam(QString::number(id));
    QCOMPARE(QueryInt(QStringLiteral("select bLook from Alam")), 0);
    // A vanished reminder reads as an empty record.
    AlamStore.LoadAlam(QStringLiteral("999"));
    QCOMPARE(AlamStore.AlamTime, QTime(0, 0));
    QCOMPARE(AlamStore.AlamDate, QDate(1899, 12, 30));
    QVERIFY(!AlamStore.ReDay);
    QVERIFY(AlamStore.ReMark.isEmpty());
}

void TestReminders::schedulerFiresInItsSecondOnly()
{
    TestEnv env;
    const qint64 a = addOnce("10:00:00", kToday, "a");
    const qint64 b = addOnce("10:00:00", kToday, "b");
    addOnce("10:00:00", kToday.addDays(1), "tomorrow");
    Alerts alerts;
    QCOMPARE(alerts.tickAt(QTime(9, 59, 59)), QStringList());
    QCOMPARE(alerts.tickAt(QTime(10, 0, 0)),
             (QStringList{QStringLiteral("%1:a:once").arg(a), QStringLiteral("%1:b:once").arg(b)}));
    QCOMPARE(alerts.tickAt(QTime(10, 0, 1)), QStringList());
    // Never written: the reminder stays unseen, so the list counts it as missed.
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from Alam where bLook<>0")), 0);
}

void TestReminders::schedulerDailyEveryDay()
{
    TestEnv env;
    const qint64 plain = addDaily("07:00:00", "plain");
    const qint64 fixed = addDaily("07:00:00", "fixed");
    ExecSQL(SqlFormat(Sql::AlamChange, {"07:00:00", "1981-02-14", "-1", "fixed", QString::number(fixed)}));
    const qint64 dated = addDaily("07:00:00", "dated");
    ExecSQL(SqlFormat(Sql::AlamChange, {"07:00:00", "2030-01-01", "-1", "dated", QString::number(dated)}));
    for (int day = 0; day < 3; ++day) {
        Alerts alerts;
        QCOMPARE(alerts.tickAt(QTime(7, 0, 0), kToday.addDays(day * 100)),
                 (QStringList{QStringLiteral("%1:plain:daily").arg(plain), QStringLiteral("%1:fixed:daily").arg(fixed),
                              QStringLiteral("%1:dated:daily").arg(dated)}));
    }
}

void TestReminders::lateTickCatchesUpOnce()
{
    TestEnv env;
    addOnce("10:00:00", kToday, "late");
    addOnce("23:59:59", kToday, "before midnight");
    addOnce("00:00:01", kToday.addDays(1), "after midnight");
    addOnce("11:00:00", kToday, "long gap");
    Alerts alerts;
    alerts.tickAt(QTime(9, 59, 58));
    QCOMPARE(alerts.tickAt(QTime(10, 0, 2)).size(), 1);
    QCOMPARE(alerts.tickAt(QTime(10, 0, 2)), QStringList()); // the same second again
    QCOMPARE(alerts.tickAt(QTime(10, 0, 3)), QStringList());
    // Across midnight each skipped second is looked at on its own date.
    alerts.tickAt(QTime(23, 59, 57));
    QCOMPARE(alerts.tickAt(QTime(0, 0, 2), kToday.addDays(1)).size(), 2);
    // A gap longer than five minutes (a resume from suspend) leaves them missed.
    alerts.tickAt(QTime(10, 54, 59));
    QCOMPARE(alerts.tickAt(QTime(11, 0, 1)), QStringList());
}

void TestReminders::failingQueryReportedOnce()
{
    TestEnv env;
    Alerts alerts;
    ExecSQL(QStringLiteral("alter table Alam rename to Gone"));
    for (int s = 0; s < 5; ++s) {
        Guarded([&] { alerts.tickAt(QTime(10, 0, s)); });
    }
    QCOMPARE(env.messages.boxes().size(), 1);
    QVERIFY(env.messages.boxes().first().text.startsWith(QStringLiteral("数据库查询错误，请检查！")));
    ExecSQL(QStringLiteral("alter table Gone rename to Alam"));
    Guarded([&] { alerts.tickAt(QTime(10, 0, 6)); });
    ExecSQL(QStringLiteral("alter table Alam rename to Gone"));
    Guarded([&] { alerts.tickAt(QTime(10, 0, 7)); });
    QCOMPARE(env.messages.boxes().size(), 2);
}

// The scheduler keeps the stored times between changes: each kind of change
// must reach it by the next second.
void TestReminders::schedulerSeesEveryChange()
{
    TestEnv env;
    Alerts alerts;
    QCOMPARE(alerts.tickAt(QTime(10, 0, 0)), QStringList());
    // Added by the program.
    const qint64 mine = addOnce("10:00:01", kToday, "mine");
    QCOMPARE(alerts.tickAt(QTime(10, 0, 1)), QStringList{QStringLiteral("%1:mine:once").arg(mine)});
    // Moved to another second.
    ExecSQL(
        SqlFormat(Sql::AlamChange, {"10:00:03", kToday.toString(Qt::ISODate), "0", "moved", QString::number(mine)}));
    QCOMPARE(alerts.tickAt(QTime(10, 0, 2)), QStringList());
    QCOMPARE(alerts.tickAt(QTime(10, 0, 3)), QStringList{QStringLiteral("%1:moved:once").arg(mine)});
    // Written by another program on the same file.
    {
        DbConnection other;
        other.open(env.dbPath());
        other.exec(QStringLiteral("insert into Alam(AlamTime,ReDay,ReMark) values('10:00:04',-1,'other')"));
    }
    QCOMPARE(alerts.tickAt(QTime(10, 0, 4)).size(), 1);
    // A snooze put in place by the program.
    AlamStore.Snooze(QString::number(mine), QDateTime(kToday, QTime(10, 0, 6)));
    QCOMPARE(alerts.tickAt(QTime(10, 0, 5)), QStringList());
    QCOMPARE(alerts.tickAt(QTime(10, 0, 6)), QStringList{QStringLiteral("%1:moved:once").arg(mine)});
}

void TestReminders::dailyAlertStoresNothing()
{
    TestEnv env;
    int chimes = 0;
    Chime::setPlayer([&chimes] { ++chimes; });
    addDaily("07:00:00", "daily");
    ShowAlamAlert(QStringLiteral("1"), QStringLiteral("daily"), true, QDateTime(kToday, QTime(7, 0, 0)));
    QPointer<TFormShowAlam> alert = TFormShowAlam::OpenAlerts().value(0);
    QVERIFY(alert);
    QCOMPARE(alert->windowTitle(), QStringLiteral("提醒"));
    QCOMPARE(alert->lblDue->text(), QStringLiteral("2024-03-15 07:00:00"));
    QCOMPARE(alert->btnOkSave->text(), QStringLiteral("看到了"));
    QVERIFY(alert->testAttribute(Qt::WA_ShowWithoutActivating));
    QVERIFY(alert->windowFlags() & Qt::WindowStaysOnTopHint);
    alert->show();
    QVERIFY(!alert->btnOkDel->isVisible());
    QCOMPARE(alert->mmo1->toPlainText(), QStringLiteral("daily"));
    QCOMPARE(chimes, 0);
    QVERIFY(QTest::qWaitFor([&] { return chimes == 1; }, 2000));
    // Whole, in the bottom-right corner of the screen's free area.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(area.contains(alert->frameGeometry()));
    QVERIFY(area.right() - alert->geometry().right() < 40);
    QVERIFY(area.bottom() - alert->geometry().bottom() < 40);
    QTest::qWait(TFormShowAlam::kKeyGuardMs);
    QTest::keyClick(alert, Qt::Key_Escape); // Esc belongs to the hidden delete button
    QVERIFY(alert && alert->isVisible());
    const qint64 changes = QueryInt(QStringLiteral("select total_changes()"));
    alert->btnOkSave->click();
    QVERIFY(QTest::qWaitFor([&] { return alert.isNull(); }));
    QCOMPARE(QueryInt(QStringLiteral("select total_changes()")), changes);
}

void TestReminders::alertAnswersUpdateTheList()
{
    TestEnv env(true, QDateTime(kToday, QTime(9, 30, 0)));
    Chime::setPlayer([] {});
    const qint64 kept = addOnce("09:00:00", kToday, "kept");
    const qint64 gone = addOnce("09:10:00", kToday, "gone");
    addOnce("11:00:00", kToday, "other");
    TFormMain window;
    window.show();
    QTreeWidget* list = window.ts3->lv1;
    QVERIFY(window.ts3->rbToDay->isChecked());
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("错过的"));

    ShowAlamAlert(QString::number(kept), QStringLiteral("kept"), false);
    QVERIFY(!TFormShowAlam::OpenAlerts().isEmpty());
    TFormShowAlam* alert = TFormShowAlam::OpenAlerts().last();
    QCOMPARE(alert->btnOkSave->text(), QStringLiteral("看到了并保留"));
    alert->btnOkSave->click();
    QVERIFY(QTest::qWaitFor([&] { return list->topLevelItem(0)->text(3) == QStringLiteral("看过的"); }));
    QCOMPARE(QueryInt(QStringLiteral("select bLook<>0 from Alam where ID=%1").arg(kept)), 1);

    ShowAlamAlert(QString::number(gone), QStringLiteral("gone"), false);
    for (TFormShowAlam* a : TFormShowAlam::OpenAlerts()) {
        if (a->isVisible()) {
            alert = a;
        }
    }
    // Keys do nothing in the first second; then Esc answers "看到了并删除".
    QTest::keyClick(alert, Qt::Key_Escape);
    QTest::keyClick(alert->btnOkDel, Qt::Key_Space);
    QTest::qWait(100);
    QCOMPARE(list->topLevelItemCount(), 3);
    QVERIFY(TFormShowAlam::OpenAlerts().contains(alert));
    QTest::qWait(TFormShowAlam::kKeyGuardMs);
    QTest::keyClick(alert, Qt::Key_Escape);
    QVERIFY(QTest::qWaitFor([&] { return list->topLevelItemCount() == 2; }));
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from Alam where ID=%1").arg(gone)), 0);
    QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("other"));
    QVERIFY(env.messages.boxes().isEmpty());
}

void TestReminders::alertAnswerableWhileADialogIsOpen()
{
    TestEnv env(true, QDateTime(kToday, QTime(9, 30, 0)));
    Chime::setPlayer([] {});
    const qint64 id = addOnce("09:00:00", kToday, "due");
    TFormMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    bool editorStayed = false;
    bool timeFocused = false;
    ModalPoller editor([&](QDialog* d) {
        auto* dlg = qobject_cast<TFormAddAlam*>(d);
        timeFocused = QTest::qWaitFor([&] { return dlg->DBTime->hasFocus(); }, 1000);
        ShowAlamAlert(QString::number(id), QStringLiteral("due"), false);
        QPointer<TFormShowAlam> alert = TFormShowAlam::OpenAlerts().last();
        QVERIFY(QTest::qWaitForWindowExposed(alert));
        // A click as the desktop delivers it, which a blocking dialog would swallow.
        QTest::mouseClick(alert->windowHandle(), Qt::LeftButton, {},
                          alert->btnOkSave->mapTo(alert, alert->btnOkSave->rect().center()));
        QVERIFY(QTest::qWaitFor([&] { return alert.isNull(); }, 2000));
        editorStayed = dlg->isVisible();
    });
    window.ts3->NAddAlamClick();
    QVERIFY(editor.handled());
    QVERIFY(timeFocused);
    QVERIFY(editorStayed);
    QTRY_COMPARE(QueryInt(QStringLiteral("select bLook<>0 from Alam where ID=%1").arg(id)), 1);
}

void TestReminders::alertsStackAndWait()
{
    TestEnv env;
    Chime::setPlayer([] {});
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // More than the screen holds: each shown one whole and apart, the rest waiting.
    const int count = area.height() / 100 + 2;
    for (int i = 0; i < count; ++i) {
        ShowAlamAlert(QString::number(i + 1), QStringLiteral("alert %1").arg(i), true);
    }
    QList<TFormShowAlam*> shown = TFormShowAlam::OpenAlerts();
    QVERIFY(shown.size() >= 2);
    // Rolled in, however slow the machine.
    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(shown.begin(), shown.end(), [](const TFormShowAlam* a) { return a->geometry().height() == 198; }),
        5000);
    QVERIFY(TFormShowAlam::WaitingAlerts() > 0);
    QCOMPARE(shown.size() + TFormShowAlam::WaitingAlerts(), count);
    for (int i = 0; i < shown.size(); ++i) {
        QVERIFY(area.contains(shown.at(i)->geometry()));
        for (int j = i + 1; j < shown.size(); ++j) {
            QVERIFY(!shown.at(i)->geometry().intersects(shown.at(j)->geometry()));
        }
    }
    // The first stands in the corner; the next one waiting takes the place it leaves.
    const QRect corner = shown.first()->geometry();
    const int waiting = TFormShowAlam::WaitingAlerts();
    delete shown.first();
    QTRY_COMPARE(TFormShowAlam::WaitingAlerts(), waiting - 1);
    QTRY_COMPARE(TFormShowAlam::OpenAlerts().last()->geometry(), corner);
    TFormShowAlam::CloseAll();
    QCOMPARE(TFormShowAlam::WaitingAlerts(), 0);
    QVERIFY(TFormShowAlam::OpenAlerts().isEmpty());
}

void TestReminders::scheduleKeepsItselfCurrent()
{
    TestEnv env(true, QDateTime(kToday, QTime(9, 30, 0)));
    Chime::setPlayer([] {});
    addDaily("08:00:00", "daily, passed today");
    addOnce("09:00:00", kToday, "seen earlier", true);
    addOnce("09:30:05", kToday, "soon");
    addOnce("11:00:00", kToday, "later");
    TFormMain window;
    window.show();
    QTreeWidget* list = window.ts3->lv1;
    auto statusOf = [list](const QString& text) {
        const QList<QTreeWidgetItem*> found = list->findItems(text, Qt::MatchExactly, 2);
        return found.isEmpty() ? QStringLiteral("?") : found.first()->text(3);
    };
    QCOMPARE(statusOf(QStringLiteral("soon")), QString());
    QCOMPARE(window.Tray->icon()->toolTip(), QStringLiteral("Vornet\n下一个提醒：09:30 soon"));

    // Its moment passes unseen: the row turns red without a refill, and the tip
    // moves on to the next one.
    Clock::advance(10);
    QTRY_COMPARE_WITH_TIMEOUT(statusOf(QStringLiteral("soon")), QStringLiteral("错过的"), 3000);
    QCOMPARE(statusOf(QStringLiteral("later")), QString());
    QTRY_COMPARE_WITH_TIMEOUT(window.Tray->icon()->toolTip(), QStringLiteral("Vornet\n下一个提醒：11:00 later"), 3000);
    TFormShowAlam::CloseAll();

    // Answered, deleted: the tip follows.
    window.ts3->WMAlamDelete(static_cast<int>(QueryInt(QStringLiteral("select ID from Alam where ReMark='later'"))));
    QCOMPARE(window.Tray->icon()->toolTip(), QStringLiteral("Vornet\n下一个提醒：08:00 daily, passed today"));
}

void TestReminders::snooze_data()
{
    QTest::addColumn<bool>("daily");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("seconds");
    QTest::newRow("one-off, 5 minutes") << false << "5 分钟" << 300;
    QTest::newRow("one-off, tomorrow") << false << "明天此时" << 86400;
    QTest::newRow("daily, 10 minutes") << true << "10 分钟" << 600;
    QTest::newRow("daily, 1 hour") << true << "1 小时" << 3600;
}

void TestReminders::snooze()
{
    QFETCH(bool, daily);
    QFETCH(QString, item);
    QFETCH(int, seconds);
    const QDateTime now(kToday, QTime(9, 30, 0));
    TestEnv env(true, now);
    Chime::setPlayer([] {});
    const qint64 id = daily ? addDaily("09:30:00", "put off") : addOnce("09:30:00", kToday, "put off");
    TFormMain window;
    window.show();
    window.ts3->rbAll->click();
    ShowAlamAlert(QString::number(id), QStringLiteral("put off"), daily, now);
    QPointer<TFormShowAlam> alert = TFormShowAlam::OpenAlerts().last();
    QCOMPARE(alert->btnLater->text(), QStringLiteral("稍后提醒"));
    QStringList items;
    QAction* chosen = nullptr;
    for (QAction* action : alert->pmLater->actions()) {
        items << action->text();
        if (action->text() == item) {
            chosen = action;
        }
    }
    QCOMPARE(items, (QStringList{"5 分钟", "10 分钟", "30 分钟", "1 小时", "明天此时", "自定义…"}));
    chosen->trigger();
    QTRY_VERIFY(alert.isNull());
    const QDateTime moment = now.addSecs(seconds);
    if (daily) {
        // Keeps its daily time and pops once more at the moment, after a restart too.
        QTRY_COMPARE(QueryInt(QStringLiteral("select count(*) from AlamSnooze")), 1);
        QVERIFY(DbAccess->Connect());
        QVERIFY(AlamStore.DueAt(moment.addSecs(-1)).isEmpty());
        const QList<TAlam::Due> due = AlamStore.DueAt(moment);
        QCOMPARE(due.size(), 1);
        QCOMPARE(due.first().id, QString::number(id));
        QVERIFY(due.first().daily);
        QVERIFY(AlamStore.DueAt(moment).isEmpty());
        QCOMPARE(window.ts3->lv1->topLevelItem(0)->text(1), QStringLiteral("每天  09:30:00"));
    } else {
        // Moves to the moment, unseen, and its row says so.
        const QString shown = moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QTRY_COMPARE(window.ts3->lv1->topLevelItem(0)->text(1), shown);
        QCOMPARE(window.ts3->lv1->topLevelItem(0)->text(3), QString());
        QCOMPARE(AlamStore.DueAt(moment).size(), 1);
    }
}

void TestReminders::customSnoozeMoment()
{
    const QDateTime now(kToday, QTime(9, 30, 0));
    TestEnv env(true, now);
    QDateTime chosen;
    bool stayedOpen = false;
    ModalPoller poller([&](QDialog* d) {
        auto* when = d->findChild<QDateTimeEdit*>(QStringLiteral("dtpLater"));
        auto* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        // A moment not after now is refused and the dialog stays for another.
        when->setDateTime(now);
        ok->click();
        stayedOpen = d->isVisible();
        when->setDateTime(now.addSecs(90));
        ok->click();
    });
    QWidget owner;
    chosen = TFormShowAlam::AskSnoozeMoment(&owner);
    QVERIFY(poller.handled());
    QVERIFY(stayedOpen);
    QCOMPARE(env.messages.texts(), QStringList{"设置的提醒时间不能早于当前时间！"});
    QCOMPARE(chosen, now.addSecs(90));
}

namespace {

// A private bus with the fake notification service on it, and the program's
// notices pointed at it. Made after the sandbox, which points them nowhere.
struct NoticeBus
{
    explicit NoticeBus(bool serve = true)
    {
        if (bus.address().isEmpty()) {
            return;
        }
        served = !serve || this->serve();
        program = bus.connect(QStringLiteral("program"));
        AlertNotice::setBus(QStringLiteral("program"));
    }
    ~NoticeBus()
    {
        TFormShowAlam::CloseAll();
        AlertNotice::setBus(QStringLiteral("vhsandbox-no-bus"));
    }
    bool ready() const
    {
        return !bus.address().isEmpty() && served && program.isConnected();
    }
    // Everything sent so far on either side has arrived and been handled: the
    // bus hands each connection its messages in order.
    bool settle()
    {
        const QDBusMessage ping = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId"));
        bool answered = true;
        for (QDBusConnection* side : {&service, &program, &service}) {
            answered = answered && (!side->isConnected() || side->call(ping).type() == QDBusMessage::ReplyMessage);
            QCoreApplication::processEvents();
        }
        return answered;
    }
    bool serve()
    {
        service = bus.connect(QStringLiteral("fake-service"));
        return fake.serveOn(service);
    }
    // The newest alert, once the service has given its notification a number.
    TFormShowAlam* posted()
    {
        TFormShowAlam* alert = TFormShowAlam::OpenAlerts().value(TFormShowAlam::OpenAlerts().size() - 1);
        auto* notice = alert ? alert->findChild<AlertNotice*>() : nullptr;
        return notice && QTest::qWaitFor([notice] { return notice->Id() != 0; }, 5000) ? alert : nullptr;
    }

    PrivateBus bus;
    FakeNotifications fake;
    QDBusConnection service{QString()};
    QDBusConnection program{QString()};
    bool served = false;
};

} // namespace

void TestReminders::desktopNotice_data()
{
    QTest::addColumn<bool>("daily");
    QTest::addColumn<bool>("markup");
    QTest::addColumn<QString>("answer"); // what the user does, and where
    QTest::addColumn<QString>("stored"); // what then holds for the reminder
    QTest::addColumn<bool>("alertStays");
    QTest::addColumn<bool>("closeAsked"); // the program closed the notification
    QTest::newRow("看到了 in the notification") << false << false << "action seen"
                                                << "seen" << false << true;
    QTest::newRow("看到了, daily, markup") << true << true << "action seen"
                                           << "as it was" << false << true;
    QTest::newRow("稍后提醒 in the notification") << false << true << "action later"
                                                  << "in 5 minutes" << false << true;
    QTest::newRow("a click on the notification itself") << false << false << "action default"
                                                        << "seen" << true << true;
    QTest::newRow("看到了并保留 in the alert") << false << false << "button save"
                                               << "seen" << false << true;
    QTest::newRow("看到了并删除 in the alert") << false << false << "button delete"
                                               << "deleted" << false << true;
    QTest::newRow("notification closed by the user") << false << false << "closed 2"
                                                     << "as it was" << false << false;
    QTest::newRow("notification timed out") << false << false << "closed 1"
                                            << "seen" << true << false;
}

void TestReminders::lockedAlertShowsOnlyItsMoment()
{
    const QDateTime now(kToday, QTime(9, 30, 0));
    TestEnv env(true, now);
    Chime::setPlayer([] {});
    NoticeBus notices;
    QVERIFY2(notices.ready(), qPrintable(notices.bus.error()));
    const qint64 id = addOnce("09:30:00", kToday, "秘密会议");
    AppLock::setLocked(true);
    ShowAlamAlert(QString::number(id), QStringLiteral("秘密会议"), false, now);
    QPointer<TFormShowAlam> alert = notices.posted();
    QVERIFY(alert);
    QCOMPARE(notices.fake.notices.first().body, QStringLiteral("有提醒"));
    QCOMPARE(alert->mmo1->toPlainText(), QStringLiteral("有提醒"));
    QCOMPARE(alert->lblDue->text(), now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    // Nobody at a locked program deletes a reminder he cannot read.
    QVERIFY(!alert->btnOkDel->isEnabled());
    AppLock::setLocked(false);
    QCOMPARE(alert->mmo1->toPlainText(), QStringLiteral("秘密会议"));
    QVERIFY(alert->btnOkDel->isEnabled());
    // Unlocked, the notification reads the text again, in place of the old one.
    QTRY_COMPARE(notices.fake.notices.size(), 2);
    QCOMPARE(notices.fake.notices.at(1).body, QStringLiteral("秘密会议"));
    QCOMPARE(notices.fake.notices.at(1).replaces, alert->findChild<AlertNotice*>()->Id());
    // Locked and unlocked again at once, once that one is answered: the text wins.
    QVERIFY(notices.settle());
    AppLock::setLocked(true);
    AppLock::setLocked(false);
    QTRY_COMPARE(notices.fake.notices.size(), 4);
    QVERIFY(notices.settle());
    QCOMPARE(notices.fake.notices.size(), 4);
    QCOMPARE(notices.fake.notices.last().body, QStringLiteral("秘密会议"));
}

void TestReminders::desktopNotice()
{
    QFETCH(bool, daily);
    QFETCH(bool, markup);
    QFETCH(QString, answer);
    QFETCH(QString, stored);
    QFETCH(bool, alertStays);
    QFETCH(bool, closeAsked);
    const QDateTime now(kToday, QTime(9, 30, 0));
    TestEnv env(true, now);
    Chime::setPlayer([] {});
    NoticeBus notices;
    QVERIFY2(notices.ready(), qPrintable(notices.bus.error()));
    if (markup) {
        notices.fake.capabilities << QStringLiteral("body-markup");
    }
    const char* text = "<b>开会</b> & 带上\n报告";
    const qint64 id = daily ? addDaily("09:30:00", text) : addOnce("09:30:00", kToday, text);
    TFormMain window;
    window.show();
    ShowAlamAlert(QString::number(id), QString::fromUtf8(text), daily, now);
    QPointer<TFormShowAlam> alert = notices.posted();
    QVERIFY(alert);
    QCOMPARE(notices.fake.notices.size(), 1);
    const FakeNotifications::Notice& posted = notices.fake.notices.first();
    QCOMPARE(posted.app, QStringLiteral("Vornet-Halvik"));
    QCOMPARE(posted.replaces, 0u);
    QCOMPARE(posted.summary, QStringLiteral("提醒"));
    // Where the service reads markup the text is escaped, so it reads as typed.
    QCOMPARE(posted.body,
             markup ? QStringLiteral("&lt;b&gt;开会&lt;/b&gt; &amp; 带上\n报告") : QString::fromUtf8(text));
    QCOMPARE(posted.actions, (QStringList{"seen", "看到了", "later", "稍后提醒"}));
    QCOMPARE(posted.timeout, 0);
    QCOMPARE(posted.hints.value(QStringLiteral("urgency")).toInt(), 2);
    const uint number = alert->findChild<AlertNotice*>()->Id();

    const qint64 changes = QueryInt(QStringLiteral("select total_changes()"));
    const QString where = answer.section(QLatin1Char(' '), 0, 0);
    const QString what = answer.section(QLatin1Char(' '), 1);
    if (where == QLatin1String("action")) {
        notices.fake.invoke(number, what);
    } else if (where == QLatin1String("closed")) {
        notices.fake.closeByService(number, what.toUInt());
    } else {
        QVERIFY(QTest::qWaitFor([&] { return alert && alert->isVisible(); }));
        (what == QLatin1String("save") ? alert->btnOkSave : alert->btnOkDel)->click();
    }
    if (alertStays) {
        // Something that must change nothing.
        QVERIFY(notices.settle());
        QVERIFY(alert);
        QCOMPARE(QueryInt(QStringLiteral("select total_changes()")), changes);
        // The alert still answers; a notification the service dropped is not closed.
        alert->btnOkSave->click();
    }
    QTRY_VERIFY(alert.isNull());
    if (stored == QLatin1String("seen")) {
        QTRY_COMPARE(QueryInt(QStringLiteral("select bLook<>0 from Alam where ID=%1").arg(id)), 1);
    } else if (stored == QLatin1String("deleted")) {
        QTRY_COMPARE(QueryInt(QStringLiteral("select count(*) from Alam where ID=%1").arg(id)), 0);
    } else if (stored == QLatin1String("in 5 minutes")) {
        QTRY_COMPARE(AlamStore.DueAt(now.addSecs(AlertNotice::kLaterSeconds)).size(), 1);
        QCOMPARE(QueryInt(QStringLiteral("select bLook<>0 from Alam where ID=%1").arg(id)), 0);
    } else if (!alertStays) {
        QVERIFY(notices.settle());
        QCOMPARE(QueryInt(QStringLiteral("select total_changes()")), changes);
    }
    if (closeAsked) {
        QTRY_COMPARE(notices.fake.closed, QList<uint>{number});
    } else {
        QVERIFY(notices.settle());
        QCOMPARE(notices.fake.closed, QList<uint>{});
    }
    QVERIFY(env.messages.boxes().isEmpty());
}

void TestReminders::desktopNoticeWithoutService()
{
    TestEnv env;
    Chime::setPlayer([] {});
    NoticeBus notices(false);
    QVERIFY2(notices.ready(), qPrintable(notices.bus.error()));
    const qint64 first = addOnce("09:30:00", kToday, "first");
    const qint64 second = addOnce("09:31:00", kToday, "second");
    TFormMain window;
    window.show();
    // Nobody serves notifications: the alert alone, and not a word about it.
    ExceptionHandler.LastMessage.clear();
    ShowAlamAlert(QString::number(first), QStringLiteral("first"), false);
    QPointer<TFormShowAlam> alert = TFormShowAlam::OpenAlerts().last();
    QVERIFY(notices.settle());
    QVERIFY(env.messages.boxes().isEmpty());
    QCOMPARE(ExceptionHandler.LastMessage, QString());
    // A service that starts later serves the alerts that come later.
    QVERIFY(notices.serve());
    ShowAlamAlert(QString::number(second), QStringLiteral("second"), false);
    TFormShowAlam* later = notices.posted();
    QVERIFY(later);
    QCOMPARE(notices.fake.notices.size(), 1);
    QCOMPARE(notices.fake.notices.first().body, QStringLiteral("second"));
    notices.fake.invoke(later->findChild<AlertNotice*>()->Id(), QStringLiteral("seen"));
    QTRY_COMPARE(QueryInt(QStringLiteral("select bLook<>0 from Alam where ID=%1").arg(second)), 1);
    alert->btnOkSave->click();
    QTRY_COMPARE(QueryInt(QStringLiteral("select bLook<>0 from Alam where ID=%1").arg(first)), 1);
    QVERIFY(env.messages.boxes().isEmpty());
}

void TestReminders::desktopNoticeAnsweredBeforePosted()
{
    TestEnv env;
    Chime::setPlayer([] {});
    NoticeBus notices;
    QVERIFY2(notices.ready(), qPrintable(notices.bus.error()));
    notices.fake.holdReplies = true;
    addDaily("09:30:00", "daily");
    ShowAlamAlert(QStringLiteral("1"), QStringLiteral("daily"), true);
    QPointer<TFormShowAlam> alert = TFormShowAlam::OpenAlerts().last();
    QTRY_COMPARE(notices.fake.notices.size(), 1);
    alert->btnOkSave->click();
    QTRY_VERIFY(alert.isNull());
    // The service's number comes after the alert went: that notification goes too.
    notices.fake.release();
    QTRY_COMPARE(notices.fake.closed, QList<uint>{1});
}

void TestReminders::missedWhileAway()
{
    TestEnv env(true, QDateTime(kToday, QTime(9, 30, 0)));
    Chime::setPlayer([] {});
    const qint64 first = addOnce("08:00:00", kToday, "missed first");
    addOnce("09:00:00", kToday, "missed second");
    addOnce("09:10:00", kToday, "seen", true);
    addDaily("07:00:00", "daily");
    addOnce("11:00:00", kToday, "later");
    // Shown after the main window, so that the main window does not cover it.
    struct ShowOrder : QObject
    {
        QStringList shown;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Show && watched->isWidgetType() &&
                static_cast<QWidget*>(watched)->isWindow()) {
                shown << watched->objectName();
            }
            return false;
        }
    } order;
    qApp->installEventFilter(&order);
    TFormMain window;
    window.show();
    // One window for all of them, no alert each.
    QPointer<TFormMissedAlam> missed = TFormMissedAlam::Current();
    QVERIFY(missed);
    QTRY_VERIFY(missed->isVisible());
    qApp->removeEventFilter(&order);
    QCOMPARE(order.shown, (QStringList{"FormMain", "FormMissedAlam"}));
    QCOMPARE(missed->windowTitle(), QStringLiteral("错过的提醒"));
    QVERIFY(TFormShowAlam::OpenAlerts().isEmpty());
    auto texts = [&missed] {
        QStringList out;
        for (int i = 0; i < missed->lvMissed->topLevelItemCount(); ++i) {
            out << missed->lvMissed->topLevelItem(i)->text(1) + QLatin1Char(' ') +
                       missed->lvMissed->topLevelItem(i)->text(2);
        }
        return out;
    };
    QCOMPARE(texts(), (QStringList{"2024-03-15 08:00:00 missed first", "2024-03-15 09:00:00 missed second"}));
    // The chosen row alone, then all that are left.
    missed->lvMissed->topLevelItem(0)->setSelected(true);
    missed->btnOkDel->click();
    QTRY_COMPARE(QueryInt(QStringLiteral("select count(*) from Alam where ID=%1").arg(first)), 0);
    QCOMPARE(texts(), QStringList{"2024-03-15 09:00:00 missed second"});
    missed->btnOkSave->click();
    QTRY_VERIFY(missed.isNull());
    QTRY_COMPARE(QueryInt(QStringLiteral("select count(*) from Alam where bLook<>0")), 2);

    // The clock jumps ahead past the catch-up window (the machine slept): what
    // fell due meanwhile is listed, not alerted.
    addOnce("10:00:00", kToday, "while asleep");
    // A tick has looked at the present second: it sets the timer to the next one.
    QTRY_VERIFY_WITH_TIMEOUT(window.tmr1->interval() != 1000, 5000);
    Clock::advance(2 * 3600);
    QTRY_VERIFY_WITH_TIMEOUT(TFormMissedAlam::Current(), 3000);
    missed = TFormMissedAlam::Current();
    QCOMPARE(texts(), (QStringList{"2024-03-15 10:00:00 while asleep", "2024-03-15 11:00:00 later"}));
    QVERIFY(TFormShowAlam::OpenAlerts().isEmpty());
    TFormShowAlam::CloseAll();
    QVERIFY(!TFormMissedAlam::Current());
}

void TestReminders::nothingMissedShowsNothing()
{
    TestEnv env(true, QDateTime(kToday, QTime(9, 30, 0)));
    addOnce("09:00:00", kToday, "seen", true);
    addOnce("11:00:00", kToday, "later");
    TFormMain window;
    window.show();
    QTest::qWait(50);
    QVERIFY(!TFormMissedAlam::Current());
}

void TestReminders::seenRowRepaintsWhole()
{
    TestEnv env(true, QDateTime(kToday, QTime(9, 30, 0)));
    const qint64 id = addOnce("09:00:00", kToday, "missed");
    TFormMain window;
    window.pgc1->setCurrentWidget(window.ts3);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTreeWidget* list = window.ts3->lv1;
    QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("错过的"));
    struct PaintedRegion : QObject
    {
        QRegion region;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint) {
                region += static_cast<QPaintEvent*>(event)->region();
            }
            return false;
        }
    } painted;
    QTest::qWait(50);
    list->viewport()->installEventFilter(&painted);
    window.ts3->WMAlamSeen(static_cast<int>(id));
    QTRY_VERIFY(!painted.region.isEmpty());
    // The time cell, not only the status cell, turns blue at once.
    const QRect timeCell = list->visualItemRect(list->topLevelItem(0))
                               .intersected(QRect(list->header()->sectionViewportPosition(1), 0,
                                                  list->header()->sectionSize(1), list->height()));
    QVERIFY(painted.region.contains(timeCell.center()));
}

void TestReminders::answerForUnlistedReminder()
{
    TestEnv env;
    const qint64 tomorrow = addOnce("09:00:00", kToday.addDays(1), "tomorrow");
    TFormMain window;
    window.show();
    QCOMPARE(window.ts3->lv1->topLevelItemCount(), 0);
    window.ts3->WMAlamSeen(static_cast<int>(tomorrow));
    QCOMPARE(QueryInt(QStringLiteral("select bLook<>0 from Alam")), 1);
    window.ts3->WMAlamDelete(static_cast<int>(tomorrow));
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from Alam")), 0);
    QCOMPARE(window.ts3->lv1->topLevelItemCount(), 0);
}

void TestReminders::editorChecks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("daily");
    QTest::addColumn<int>("secondsFromNow");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("blank text") << " \n\t " << false << 60 << "提醒内容不能为空！";
    QTest::newRow("text checked before time") << "" << false << -60 << "提醒内容不能为空！";
    QTest::newRow("one second past") << "x" << false << -1 << "设置的提醒时间不能早于当前时间！";
    QTest::newRow("past but daily") << "x" << true << -1 << "";
    QTest::newRow("exactly now") << "x" << false << 0 << "";
    QTest::newRow("blanks around kept") << "  x  " << false << 10 << "";
    QTest::newRow("no-break space and line separator kept")
        << QStringLiteral("a") + QChar(0x00A0) + QStringLiteral("b") + QChar(0x2028) + QStringLiteral("c") << false
        << 10 << "";
}

void TestReminders::editorChecks()
{
    QFETCH(QString, text);
    QFETCH(bool, daily);
    QFETCH(int, secondsFromNow);
    QFETCH(QString, refusal);
    TestEnv env(true, QDateTime(kToday, QTime(14, 5, 9)));
    int result = 0;
    ModalPoller poller([&](QDialog* d) {
        auto* dlg = qobject_cast<TFormAddAlam*>(d);
        QVERIFY(dlg);
        const QDateTime moment = Clock::now().addSecs(secondsFromNow);
        dlg->DBDay->setDate(moment.date());
        dlg->DBTime->setTime(moment.time());
        (daily ? dlg->rbDay : dlg->rbTime)->setChecked(true);
        dlg->mmoNote->setPlainText(text);
        dlg->btnOK->click();
        QCOMPARE(dlg->isVisible(), !refusal.isEmpty());
    });
    result = ShowAddAlamDlg();
    QCOMPARE(result, refusal.isEmpty() ? int(mrOk) : int(mrCancel));
    QCOMPARE(env.messages.texts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from Alam")), refusal.isEmpty() ? 1 : 0);
    if (refusal.isEmpty()) {
        DbAccess->OpenQuery(QStringLiteral("select * from Alam"));
        QCOMPARE(DbAccess->Query.asString(QStringLiteral("ReMark")), text);
        QCOMPARE(DbAccess->Query.asBoolean(QStringLiteral("ReDay")), daily);
        QCOMPARE(DbAccess->Query.value(QStringLiteral("AlamDate")).isNull(), daily);
    }
}

void TestReminders::quickOffsets_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QDateTime>("expected");
    QTest::newRow("1 hour") << QTime(14, 5, 9) << "N11" << QDateTime(kToday, QTime(15, 5, 9));
    QTest::newRow("1 hour past midnight") << QTime(23, 30, 0) << "N11" << QDateTime(kToday.addDays(1), QTime(0, 30, 0));
    QTest::newRow("1 day") << QTime(14, 5, 9) << "N12" << QDateTime(kToday.addDays(1), QTime(14, 5, 9));
    QTest::newRow("2 days") << QTime(14, 5, 9) << "N32" << QDateTime(kToday.addDays(2), QTime(14, 5, 9));
    QTest::newRow("3 days") << QTime(14, 5, 9) << "N1" << QDateTime(kToday.addDays(3), QTime(14, 5, 9));
    QTest::newRow("7 days") << QTime(14, 5, 9) << "N71" << QDateTime(kToday.addDays(7), QTime(14, 5, 9));
    QTest::newRow("10 days") << QTime(14, 5, 9) << "N101" << QDateTime(kToday.addDays(10), QTime(14, 5, 9));
    QTest::newRow("30 days") << QTime(23, 59, 59) << "N301" << QDateTime(kToday.addDays(30), QTime(23, 59, 59));
}

void TestReminders::quickOffsets()
{
    QFETCH(QTime, now);
    QFETCH(QString, item);
    QFETCH(QDateTime, expected);
    TestEnv env(true, QDateTime(kToday, now));
    TFormAddAlam dlg;
    // The new dialog starts one hour ahead, by the same rule.
    QCOMPARE(dlg.ChosenMoment(), QDateTime(kToday, now).addSecs(3600));
    dlg.DBDay->setDate(QDate(2000, 1, 1));
    dlg.DBTime->setTime(QTime(1, 2, 3));
    dlg.pm1->findChild<QAction*>(item)->trigger();
    QCOMPARE(dlg.ChosenMoment(), expected);
}

void TestReminders::onceDailySwitchResetsDate()
{
    TestEnv env;
    TFormAddAlam dlg;
    dlg.show();
    dlg.DBDay->setDate(QDate(2030, 5, 5));
    dlg.rbDay->click();
    QVERIFY(!dlg.DBDay->isVisible() && !dlg.btn1->isVisible() && !dlg.LabDay->isVisible());
    dlg.rbTime->click();
    QVERIFY(dlg.DBDay->isVisible());
    QCOMPARE(dlg.DBDay->date(), kToday);
}

void TestReminders::modifyDialog()
{
    TestEnv env;
    const qint64 id = addOnce("10:00:00", kToday, "once");
    AlamStore.SetAlamSeen(QString::number(id));
    ModalPoller toDaily([](QDialog* d) {
        auto* dlg = qobject_cast<TFormModAlam*>(d);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("修改提醒"));
        QCOMPARE(dlg->mmoNote->toPlainText(), QStringLiteral("once"));
        QCOMPARE(dlg->DBTime->time(), QTime(10, 0, 0));
        QVERIFY(dlg->rbTime->isChecked());
        dlg->rbDay->click();
        dlg->btnOK->click();
    });
    QCOMPARE(ShowModAlamDlg(QString::number(id)), int(mrOk));
    DbAccess->OpenQuery(SqlFormat(Sql::AlamRead, {QString::number(id)}));
    QCOMPARE(DbAccess->Query.asString(QStringLiteral("AlamDate")), QStringLiteral("1981-02-14"));
    QVERIFY(DbAccess->Query.asBoolean(QStringLiteral("ReDay")));
    QVERIFY(!DbAccess->Query.asBoolean(QStringLiteral("bLook")));

    ModalPoller toOnce([](QDialog* d) {
        auto* dlg = qobject_cast<TFormModAlam*>(d);
        QVERIFY(dlg->rbDay->isChecked());
        QVERIFY(dlg->DBDay->isHidden());
        dlg->rbTime->click();
        dlg->DBDay->setDate(kToday.addDays(2));
        dlg->btnOK->click();
    });
    QCOMPARE(ShowModAlamDlg(QString::number(id)), int(mrOk));
    DbAccess->OpenQuery(SqlFormat(Sql::AlamRead, {QString::number(id)}));
    QCOMPARE(DbAccess->Query.asString(QStringLiteral("AlamDate")), QStringLiteral("2024-03-17"));
    QVERIFY(!DbAccess->Query.asBoolean(QStringLiteral("ReDay")));
}

void TestReminders::tabCommands()
{
    TestEnv env;
    addOnce("10:00:00", kToday, "today");
    addOnce("10:00:00", kToday.addDays(1), "tomorrow");
    TFormMain window;
    window.show();
    RemindersTab* tab = window.ts3;
    tab->rbTomorrow->click();
    QCOMPARE(rowsOf(tab->lv1).size(), 1);
    // No row selected: modify and delete do nothing and ask nothing.
    tab->lv1->setCurrentItem(nullptr);
    tab->NModAlam->trigger();
    tab->NDelAlam->trigger();
    QVERIFY(env.messages.boxes().isEmpty());

    ModalPoller add([](QDialog* d) {
        auto* dlg = qobject_cast<TFormAddAlam*>(d);
        dlg->mmoNote->setPlainText(QStringLiteral("new"));
        dlg->btnOK->click();
    });
    tab->NAddAlam->trigger();
    QVERIFY(add.handled());
    QVERIFY(tab->rbAll->isChecked());
    QCOMPARE(tab->CurrentFilter(), 5);
    QCOMPARE(rowsOf(tab->lv1).size(), 3);

    // In the order they fall due: tomorrow's last.
    QCOMPARE(tab->lv1->topLevelItem(2)->text(2), QStringLiteral("tomorrow"));
    tab->lv1->setCurrentItem(tab->lv1->topLevelItem(2));
    env.messages.answer(true);
    tab->NDelAlam->trigger();
    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral("确实要删除 tomorrow 吗？")});
    QCOMPARE(rowsOf(tab->lv1).size(), 2);
    QVERIFY(!rowsOf(tab->lv1).join(QLatin1Char(' ')).contains(QStringLiteral("tomorrow")));
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from Alam")), 2);
}

void TestReminders::phrases()
{
    TestEnv env;
    // An empty list: OK picks nothing and the dialog stays open.
    ModalPoller empty([](QDialog* d) {
        auto* dlg = qobject_cast<TFormAlamContext*>(d);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("提醒内容"));
        dlg->btnOK->click();
        QVERIFY(dlg->isVisible());
        dlg->N2->trigger();
        dlg->N3->trigger();
    });
    QCOMPARE(ShowAlamContextDlg().first, int(mrCancel));
    QVERIFY(env.messages.boxes().isEmpty());

    // New phrases: blanks refused, blanks around kept.
    for (const QString& typed : {QStringLiteral("  "), QStringLiteral(" 喝水 ")}) {
        ModalPoller add([&](QDialog* d) {
            auto* dlg = qobject_cast<TFormEditAlamContext*>(d);
            QCOMPARE(dlg->windowTitle(), QStringLiteral("新建提醒内容"));
            dlg->mmoNote->setPlainText(typed);
            dlg->btnOK->click();
        });
        ShowAddAlamContextDlg();
    }
    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral("提醒内容不能为空！")});
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from AlamContext")), 1);

    // Picking one in the editor replaces the text typed so far.
    TFormAddAlam editor;
    editor.mmoNote->setPlainText(QStringLiteral("typed"));
    ModalPoller pick([](QDialog* d) {
        auto* dlg = qobject_cast<TFormAlamContext*>(d);
        QCOMPARE(dlg->lv1->topLevelItemCount(), 1);
        QTreeWidgetItem* item = dlg->lv1->topLevelItem(0);
        // Centred like its column.
        QCOMPARE(Qt::Alignment(item->textAlignment(1)) & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        dlg->lv1->setCurrentItem(item);
        emit dlg->lv1->itemDoubleClicked(item, 1);
    });
    editor.btnAlamContext->click();
    QVERIFY(pick.handled());
    QCOMPARE(editor.mmoNote->toPlainText(), QStringLiteral(" 喝水 "));
}

QTEST_MAIN(TestReminders)
namespace {

QByteArray le(quint32 v, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i) {
        out.append(char((v >> (8 * i)) & 0xff));
    }
    return out;
}

QByteArray riffChunk(const QByteArray& id, const QByteArray& body, qsizetype claimed = -1)
{
    QByteArray out = id + le(quint32(claimed < 0 ? body.size() : claimed), 4) + body;
    return body.size() % 2 ? out + '\0' : out;
}

QByteArray fmtChunk(int tag, int channels, int rate, int bits, int align = -1)
{
    return riffChunk("fmt ", le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * channels * bits / 8, 4) +
                                 le(align < 0 ? channels * bits / 8 : align, 2) + le(bits, 2));
}

QByteArray wave(const QByteArray& chunks, const QByteArray& form = "WAVE")
{
    return "RIFF" + le(quint32(4 + chunks.size()), 4) + form + chunks;
}

} // namespace

void TestReminders::wavReading_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rate"); // 0: not readable
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("bytes");

    const QByteArray pcm(400, '\x10');
    QTest::newRow("mono 16-bit") << wave(fmtChunk(1, 1, 22050, 16) + riffChunk("data", pcm)) << 22050 << 1 << 16 << 400;
    QTest::newRow("stereo 8-bit after an odd-sized chunk")
        << wave(fmtChunk(1, 2, 8000, 8) + riffChunk("LIST", "abc") + riffChunk("data", pcm)) << 8000 << 2 << 8 << 400;
    QTest::newRow("longer fmt, part frame dropped")
        << wave(riffChunk("fmt ", fmtChunk(1, 2, 44100, 16).mid(8) + le(0, 2)) + riffChunk("data", pcm.left(7)))
        << 44100 << 2 << 16 << 4;
    QTest::newRow("not RIFF") << "RIFX" + wave(fmtChunk(1, 1, 22050, 16) + riffChunk("data", pcm)).mid(4) << 0 << 0 << 0
                              << 0;
    QTest::newRow("not WAVE") << wave(fmtChunk(1, 1, 22050, 16) + riffChunk("data", pcm), "AVI ") << 0 << 0 << 0 << 0;
    QTest::newRow("data before fmt") << wave(riffChunk("data", pcm) + fmtChunk(1, 1, 22050, 16)) << 0 << 0 << 0 << 0;
    QTest::newRow("fmt too short") << wave(riffChunk("fmt ", le(1, 2) + le(1, 2)) + riffChunk("data", pcm)) << 0 << 0
                                   << 0 << 0;
    QTest::newRow("compressed") << wave(fmtChunk(2, 1, 22050, 4) + riffChunk("data", pcm)) << 0 << 0 << 0 << 0;
    QTest::newRow("24-bit") << wave(fmtChunk(1, 1, 22050, 24) + riffChunk("data", pcm)) << 0 << 0 << 0 << 0;
    QTest::newRow("no channels") << wave(fmtChunk(1, 0, 22050, 16) + riffChunk("data", pcm)) << 0 << 0 << 0 << 0;
    QTest::newRow("six channels") << wave(fmtChunk(1, 6, 22050, 16) + riffChunk("data", pcm)) << 0 << 0 << 0 << 0;
    QTest::newRow("rate 0") << wave(fmtChunk(1, 1, 0, 16) + riffChunk("data", pcm)) << 0 << 0 << 0 << 0;
    QTest::newRow("frame size wrong") << wave(fmtChunk(1, 1, 22050, 16, 4) + riffChunk("data", pcm)) << 0 << 0 << 0
                                      << 0;
    QTest::newRow("data longer than the file")
        << wave(fmtChunk(1, 1, 22050, 16) + riffChunk("data", pcm, 0x7ffffff0)) << 0 << 0 << 0 << 0;
    QTest::newRow("no data") << wave(fmtChunk(1, 1, 22050, 16) + "dat") << 0 << 0 << 0 << 0;
    QTest::newRow("no whole frame") << wave(fmtChunk(1, 2, 22050, 16) + riffChunk("data", "abc")) << 0 << 0 << 0 << 0;
    QTest::newRow("empty") << QByteArray() << 0 << 0 << 0 << 0;
}

void TestReminders::wavReading()
{
    QFETCH(QByteArray, file);
    QFETCH(int, rate);
    const std::optional<WavPcm> pcm = ReadWav(file);
    QCOMPARE(pcm.has_value(), rate != 0);
    if (pcm) {
        QCOMPARE(pcm->rate, rate);
        QTEST(pcm->channels, "channels");
        QTEST(pcm->bits, "bits");
        QTEST(int(pcm->samples.size()), "bytes");
    }
}

void TestReminders::volumeScalesSamples()
{
    WavPcm wide{22050, 1, 16, le(32767, 2) + le(0x8000, 2) + le(100, 2) + le(0xffff, 2)};
    ScaleVolume(wide, 0.8);
    QCOMPARE(wide.samples, le(26214, 2) + le(quint16(-26214), 2) + le(80, 2) + le(quint16(-1), 2));
    WavPcm narrow{8000, 1, 8, QByteArray("\xff\x00\x80", 3)};
    ScaleVolume(narrow, 0.8);
    QCOMPARE(narrow.samples, QByteArray("\xe6\x1a\x80", 3));

    // The program's own chime is such a file.
    QFile chime(QStringLiteral(":/chime.wav"));
    QVERIFY(chime.open(QIODevice::ReadOnly));
    const std::optional<WavPcm> own = ReadWav(chime.readAll());
    QVERIFY(own);
    QVERIFY(own->samples.size() > own->rate * own->channels * own->bits / 8);
}

void TestReminders::chimeWithoutSoundServerBeeps()
{
    TestEnv env;
    const QByteArray server = qgetenv("PULSE_SERVER");
    const auto restore = qScopeGuard([&server] {
        if (server.isNull()) {
            qunsetenv("PULSE_SERVER");
        } else {
            qputenv("PULSE_SERVER", server);
        }
    });
    qputenv("PULSE_SERVER", "unix:" + env.file(QStringLiteral("no-server")).toUtf8());
    const WavPcm pcm = *ReadWav(wave(fmtChunk(1, 1, 8000, 16) + riffChunk("data", QByteArray(1600, '\0'))));
    QString why;
    QVERIFY(!SoundOutput::play(pcm, &why, "libvh-no-such-sound-client.so.0"));
    QVERIFY2(why.contains(QStringLiteral("libvh-no-such-sound-client.so.0")), qPrintable(why));
    why.clear();
    QVERIFY(!SoundOutput::play(pcm, &why));
    QVERIFY(!why.isEmpty());

    // The chime asks on its own thread and beeps in the window's: two at once
    // make one beep or two, and a later one is heard again.
    int beeps = 0;
    Chime::setBeep([&beeps] {
        QCOMPARE(QThread::currentThread(), qApp->thread());
        ++beeps;
    });
    Chime::play();
    Chime::play();
    QTRY_VERIFY(beeps >= 1);
    QVERIFY(beeps <= 2);
    const int before = beeps;
    Chime::play();
    QTRY_VERIFY(beeps > before);
}

#include "tst_reminders.moc"
