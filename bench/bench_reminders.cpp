// The reminders' hot paths: one scheduler tick over a large table with nothing
// due, and filling the list under "全部提醒" with the missed marking.
#include "BenchSupport.h"
#include "Sandbox.h"
#include "base/Clock.h"
#include "reminders/AlamScheduler.h"
#include "store/SqlText.h"
#include "store/Statements.h"
#include "store/TAlam.h"
#include "store/TDbAccess.h"
#include "widgets/ListFill.h"

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

} // namespace
