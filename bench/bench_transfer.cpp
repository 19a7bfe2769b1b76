// Bookmarks at scale: importing a browser export of 100,000 links in 1,000
// folders into an empty database (reading, decoding, parsing and the one
// transaction), and writing them all out again.
#include "Sandbox.h"
#include "store/BookmarkFile.h"
#include "store/BookmarkTransfer.h"
#include "store/TDbAccess.h"

#include <QFile>
#include <benchmark/benchmark.h>

namespace {

QString writeExport(const Sandbox& env, int folders, int perFolder)
{
    BookmarkFolder root;
    for (int f = 0; f < folders; ++f) {
        BookmarkFolder folder{QStringLiteral("文件夹 %1").arg(f), {}, {}};
        for (int i = 0; i < perFolder; ++i) {
            const int n = f * perFolder + i;
            folder.links.append({QStringLiteral("网站标题 %1 &amp; 更多").arg(n),
                                 QStringLiteral("https://www.example%1.com/path/page?id=%2").arg(f).arg(n),
                                 n % 10 == 0 ? QStringLiteral("备注 %1\n第二行").arg(n) : QString()});
        }
        root.folders.append(folder);
    }
    const QString path = env.file(QStringLiteral("bookmarks.html"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(BookmarkFile::Write(root, 1700000000)) < 0) {
        qFatal("cannot write the bookmark file");
    }
    return path;
}

void BM_ImportBookmarks100k(benchmark::State& state)
{
    Sandbox env;
    const QString path = writeExport(env, 1000, 100);
    int added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ExecSQL(QStringLiteral("delete from IE@#@delete from IEType"));
        state.ResumeTiming();
        added = ImportBookmarkFile(path, 0).added;
    }
    state.counters["links"] = added;
    state.counters["MB"] = static_cast<double>(QFile(path).size()) / (1 << 20);
}
BENCHMARK(BM_ImportBookmarks100k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ExportBookmarks100k(benchmark::State& state)
{
    Sandbox env;
    ImportBookmarkFile(writeExport(env, 1000, 100), 0);
    const QString out = env.file(QStringLiteral("out.html"));
    for (auto _ : state) {
        ExportBookmarkFile(out, 0);
    }
}
BENCHMARK(BM_ExportBookmarks100k)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
