// The web-address grid at scale: filling "全部" with 100,000 addresses (query,
// model and column fitting), the memory those rows take, title-click sorts and
// the switch from "全部" to one group.
#include "Sandbox.h"
#include "store/SqlText.h"
#include "store/Statements.h"
#include "store/TDbAccess.h"
#include "store/TIE.h"
#include "urls/UrlsTab.h"
#include "widgets/TZentDBGrid.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <malloc.h>

namespace {

void fillAddresses(int count)
{
    QString batch;
    for (int i = 0; i < count; ++i) {
        batch += SqlFormat(Sql::IEAdd,
                           {QString::number(i % 50), QStringLiteral("https://www.example%1.com/path/page").arg(i),
                            QStringLiteral("网站标题 %1").arg((i * 7919) % count), QStringLiteral("备注 %1").arg(i)}) +
                 kBatchSeparator;
    }
    ExecSQL(batch);
}

size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_FillGridAll(benchmark::State& state)
{
    Sandbox env;
    fillAddresses(100000);
    UrlsTab tab;
    TZentDBGrid& grid = *tab.DBGrid1;
    grid.resize(800, 400);
    double rowsMb = 0;
    for (auto _ : state) {
        DbAccess->GridQuery.close();
        const size_t before = heapInUse();
        tab.FillGrid(0);
        rowsMb = static_cast<double>(heapInUse() - before) / (1 << 20);
    }
    state.counters["rows"] = grid.model()->rowCount();
    state.counters["MB"] = rowsMb;
}
BENCHMARK(BM_FillGridAll)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_TitleClickSort(benchmark::State& state)
{
    Sandbox env;
    fillAddresses(100000);
    UrlsTab tab;
    TZentDBGrid& grid = *tab.DBGrid1;
    tab.FillGrid(0);
    for (auto _ : state) {
        grid.TitleClick(1); // alternates ascending and descending
    }
}
BENCHMARK(BM_TitleClickSort)->Unit(benchmark::kMillisecond)->Iterations(6);

// The first click on a title after the rows were opened: nothing of an earlier
// sort on that column can be used again.
void BM_TitleClickFirstSort(benchmark::State& state)
{
    Sandbox env;
    fillAddresses(100000);
    UrlsTab tab;
    TZentDBGrid& grid = *tab.DBGrid1;
    for (auto _ : state) {
        state.PauseTiming();
        tab.FillGrid(0);
        state.ResumeTiming();
        grid.TitleClick(1);
    }
}
BENCHMARK(BM_TitleClickFirstSort)->Unit(benchmark::kMillisecond)->Iterations(5);

// From "全部" to one group of 2,000 addresses: the 100,000 rows shown before go.
void BM_GroupSwitch(benchmark::State& state)
{
    Sandbox env;
    fillAddresses(100000);
    UrlsTab tab;
    for (auto _ : state) {
        state.PauseTiming();
        tab.FillGrid(0);
        state.ResumeTiming();
        tab.FillGrid(7);
    }
    state.counters["rows"] = tab.DBGrid1->model()->rowCount();
}
BENCHMARK(BM_GroupSwitch)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
