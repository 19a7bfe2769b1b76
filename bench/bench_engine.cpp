// The engine's hot paths: connecting (key derivation included), the scheduler's
// once-a-second lookup, the reminder list and a one-statement batch.
#include "BenchSupport.h"
#include "Sandbox.h"
#include "store/DbConnection.h"
#include "store/SqlText.h"
#include "store/Statements.h"
#include "store/TDbAccess.h"

#include <benchmark/benchmark.h>

namespace {

void BM_Connect(benchmark::State& state)
{
    Sandbox env(false);
    for (auto _ : state) {
        TDbAccess db;
        if (!db.Connect()) {
            state.SkipWithError("connect failed");
        }
    }
}
BENCHMARK(BM_Connect)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_SchedulerLookup(benchmark::State& state)
{
    Sandbox env(true, QDateTime(QDate(2024, 3, 15), QTime(12, 34, 57)));
    FillReminders(100000);
    for (auto _ : state) {
        DbAccess->OpenTimerQuery(Sql::AlamDue);
        benchmark::DoNotOptimize(DbAccess->TimerQuery.recordCount());
    }
}
BENCHMARK(BM_SchedulerLookup)->Unit(benchmark::kMicrosecond);

void BM_ReminderListAll(benchmark::State& state)
{
    Sandbox env;
    FillReminders(10000);
    for (auto _ : state) {
        DbAccess->OpenQuery(Sql::AlamList + Sql::AlamFilters[5]);
        benchmark::DoNotOptimize(DbAccess->Query.recordCount());
    }
}
BENCHMARK(BM_ReminderListAll)->Unit(benchmark::kMillisecond);

void BM_ExecSingleStatement(benchmark::State& state)
{
    Sandbox env;
    int i = 0;
    for (auto _ : state) {
        ExecSQL(SqlFormat(Sql::PhraseAdd, {QString::number(++i)}));
    }
}
BENCHMARK(BM_ExecSingleStatement)->Unit(benchmark::kMicrosecond);

// Rewriting one large note row, by cipher page size: chooses the page size.
void BM_LargeRowByPageSize(benchmark::State& state)
{
    Sandbox env(false);
    const QString path = env.file(QStringLiteral("pages.dat"));
    DbConnection db;
    db.open(path, true, static_cast<int>(state.range(0)));
    db.exec(QStringLiteral("CREATE TABLE NoteBook (TypeID INTEGER, ReMark TEXT)"));
    db.configure();
    db.exec(QStringLiteral("INSERT INTO NoteBook VALUES (0, '')"));
    QString text(static_cast<qsizetype>(state.range(1)) / 3, QChar(0x8BB0)); // 3 bytes each in UTF-8
    const QString update = QStringLiteral("UPDATE NoteBook SET ReMark = '%1' WHERE TypeID = 0");
    int i = 0;
    for (auto _ : state) {
        text[0] = QChar(0x4E00 + (++i % 100));
        db.exec(update.arg(text));
    }
}
BENCHMARK(BM_LargeRowByPageSize)->Args({1024, 1 << 20})->Args({4096, 1 << 20})->Unit(benchmark::kMillisecond);

} // namespace
