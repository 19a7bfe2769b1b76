// The reminders' hot paths: one scheduler tick over a large table with nothing
// due, filling the list under "全部提醒" with the missed marking, and the two
// reminder steps of a start over the large data set.
#include "BenchSupport.h"
#include "BigData.h"
#include "Sandbox.h"
#include "base/Clock.h"
#include "reminders/AlamScheduler.h"
#include "reminders/RemindersTab.h"
#include "store/SqlText.h"
#include "store/Statements.h"
#include "store/TAlam.h"
#include "store/TDbAccess.h"
#include "widgets/ListFill.h"

#include <QFile>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

void BM_SchedulerTickNoneDue(benchmark::State& state)
{
    Sandbox env(true, QDateTime(QDate(2024, 3, 15), QTime(12, 34, 57)));
    FillReminders(100000);
    int alerts = 0;
    for (auto _ : state) {
        // A fresh scheduler each time, so that every tick looks at its second.
        AlamScheduler scheduler([&alerts](const QString&, const QString&, bool, const QDateTime&) { ++alerts; });
        scheduler.Tick();
    }
    if (alerts) {
        state.SkipWithError("something was due");
    }
}
BENCHMARK(BM_SchedulerTickNoneDue)->Unit(benchmark::kMicrosecond);

void BM_FillAlamListAll(benchmark::State& state)
{
    Sandbox env;
    FillReminders(10000);
    QTreeWidget list;
    list.setColumnCount(4);
    for (auto _ : state) {
        FillListView(AlamStore.FillAlamList(TAlam::All), &list, false);
    }
    state.counters["rows"] = list.topLevelItemCount();
}
BENCHMARK(BM_FillAlamListAll)->Unit(benchmark::kMillisecond);

// The large data set's 10,000 reminders (past ones seen), on the system clock as
// at a real start: reading the clock is part of what the steps cost.
struct BigReminders
{
    BigReminders()
    {
        QFile::remove(env.dbPath());
        BigDataShape shape;
        shape.noteGroups = 0;
        shape.rootNoteBytes = 0;
        shape.urlGroups = 0;
        shape.urls = 0;
        MakeBigDatabase(env.dbPath(), QDateTime::currentDateTime(), shape);
        Clock::reset();
        if (!env.db->Connect()) {
            qFatal("cannot connect to the large database");
        }
    }
    Sandbox env{false};
};

// Start-up: today's list, and the tray's next reminder that its change asks for.
void BM_ShowToday(benchmark::State& state)
{
    BigReminders big;
    RemindersTab tab;
    QDateTime when;
    QString text;
    QObject::connect(&tab, &RemindersTab::scheduleChanged, [&] { AlamStore.NextDue(&when, &text); });
    for (auto _ : state) {
        tab.ShowToday();
    }
    if (!when.isValid()) {
        state.SkipWithError("no next reminder");
    }
}
BENCHMARK(BM_ShowToday)->Unit(benchmark::kMillisecond);

// Start-up: what fell due while the program was not running.
void BM_MissedAtStart(benchmark::State& state)
{
    BigReminders big;
    int missed = 0;
    for (auto _ : state) {
        missed = static_cast<int>(AlamStore.MissedBetween(QDateTime(), Clock::now().addSecs(-1)).rows.size());
    }
    state.counters["missed"] = missed;
}
BENCHMARK(BM_MissedAtStart)->Unit(benchmark::kMillisecond);

} // namespace
