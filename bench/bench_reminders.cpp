// The reminders' hot paths: one scheduler tick over a large table with nothing
// due, and filling the list under "全部提醒" with the missed marking.
#include "TestEnv.h"
#include "reminders/AlamScheduler.h"
#include "reminders/TAlam.h"
#include "shell/Clock.h"
#include "store/SqlText.h"
#include "store/Statements.h"
#include "store/TDbAccess.h"

#include <QApplication>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

// Reminders spread over the day, none of them at 12:34:57.
void fillReminders(int count)
{
    QString batch;
    for (int i = 0; i < count; ++i) {
        int second = (i * 7919) % 86400;
        if (second == 12 * 3600 + 34 * 60 + 57) {
            ++second;
        }
        const QString time = QTime(0, 0).addSecs(second).toString(QStringLiteral("HH:mm:ss"));
        if (i % 10 == 0) {
            batch += SqlFormat(Sql::AlamAddDaily, {time, QStringLiteral("每日提醒 %1").arg(i)});
        } else {
            const QString date = QDate(2024, 1, 1).addDays(i % 400).toString(QStringLiteral("yyyy-MM-dd"));
            batch += SqlFormat(Sql::AlamAddOnce, {time, date, QStringLiteral("0"), QStringLiteral("提醒 %1").arg(i)});
        }
        batch += kBatchSeparator;
    }
    ExecSQL(batch);
}

void BM_SchedulerTickNoneDue(benchmark::State& state)
{
    TestEnv env(true, QDateTime(QDate(2024, 3, 15), QTime(12, 34, 57)));
    fillReminders(100000);
    int alerts = 0;
    for (auto _ : state) {
        // A fresh scheduler each time, so that every tick looks at its second.
        AlamScheduler scheduler([&alerts](const QString&, const QString&, bool) { ++alerts; });
        scheduler.Tick();
    }
    if (alerts) {
        state.SkipWithError("something was due");
    }
}
BENCHMARK(BM_SchedulerTickNoneDue)->Unit(benchmark::kMicrosecond);

void BM_FillAlamListAll(benchmark::State& state)
{
    TestEnv env;
    fillReminders(10000);
    QTreeWidget list;
    list.setColumnCount(4);
    for (auto _ : state) {
        AlamStore.FillAlamList(&list, TAlam::All);
    }
    state.counters["rows"] = list.topLevelItemCount();
}
BENCHMARK(BM_FillAlamListAll)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
