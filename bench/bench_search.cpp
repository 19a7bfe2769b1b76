// Searching everything on a large data set: 10,000 note groups up to 50 deep,
// each with a short note, a 1 MB root note, 100,000 addresses in 1,000 groups
// and 10,000 reminders. Each query runs on the search's own read connection,
// warm (connection kept, as while the window is open) and cold (a new
// connection, its key derived and its cache empty, as at the first search).
#include "Sandbox.h"
#include "store/DbConnection.h"
#include "store/SearchAll.h"
#include "store/TDbAccess.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <sqlcipher/sqlite3.h>

namespace {

const QStringList kWords = {
    QStringLiteral("工作"),   QStringLiteral("会议"), QStringLiteral("周报"),   QStringLiteral("项目"),
    QStringLiteral("的"),     QStringLiteral("计划"), QStringLiteral("Report"), QStringLiteral("meeting"),
    QStringLiteral("budget"), QStringLiteral("客户"), QStringLiteral("需求"),   QStringLiteral("进度"),
    QStringLiteral("学习"),   QStringLiteral("资料"), QStringLiteral("notes"),  QStringLiteral("draft")};

QString words(unsigned seed, int count)
{
    QString out;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        out += kWords.at(static_cast<int>((seed >> 16) % static_cast<unsigned>(kWords.size())));
        out += (i % 12 == 11) ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return out;
}

// Rows of one insert statement, each bound by its number.
void insert(sqlite3* db, const char* sql, int rows, const std::function<QList<QVariant>(int)>& values)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    for (int i = 0; i < rows; ++i) {
        const QList<QVariant> row = values(i);
        for (int c = 0; c < row.size(); ++c) {
            if (row[c].typeId() == QMetaType::QString) {
                const QByteArray text = row[c].toString().toUtf8();
                sqlite3_bind_text(stmt, c + 1, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_double(stmt, c + 1, row[c].toDouble());
            }
        }
        if (sqlite3_step(stmt) != SQLITE_DONE) {
            qFatal("insert failed: %s", sqlite3_errmsg(db));
        }
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
}

// The large data set, written straight into the sandbox's database.
void fillLarge(const QString& path)
{
    DbConnection db;
    db.open(path);
    db.exec(QStringLiteral("BEGIN"));
    sqlite3* h = db.handle();
    // Chains of 50: every 50th group starts at the root.
    insert(h, "insert into NoteType(SelfIndex,ParentIndex,TypeName) values (?1,?2,?3)", 10000, [](int i) {
        const int self = i + 1;
        return QList<QVariant>{self, (i % 50 == 0) ? 0 : self - 1, QStringLiteral("分组%1 ").arg(self) + words(i, 1)};
    });
    insert(h, "insert into NoteBook(TypeID,ReMark) values (?1,?2)", 10000, [](int i) {
        return QList<QVariant>{i + 1, words(static_cast<unsigned>(i) * 7u, 40)};
    });
    QString big;
    for (unsigned seed = 1; big.toUtf8().size() < (1 << 20); ++seed) {
        big += words(seed, 200);
    }
    insert(h, "insert into NoteBook(TypeID,ReMark) values (0,?1)", 1, [&big](int) { return QList<QVariant>{big}; });
    insert(h, "insert into IEType(SelfIndex,ParentIndex,TypeName) values (?1,?2,?3)", 1000, [](int i) {
        return QList<QVariant>{i + 1, (i % 10 == 0) ? 0 : i, QStringLiteral("网址组%1").arg(i + 1)};
    });
    insert(h, "insert into IE(TypeID,IEUrl,IEName,ReMark) values (?1,?2,?3,?4)", 100000, [](int i) {
        return QList<QVariant>{i % 1000 + 1,
                               QStringLiteral("https://www.site%1.example.com/path/page%2.html").arg(i).arg(i % 97),
                               QStringLiteral("网站标题 %1 ").arg(i) + words(static_cast<unsigned>(i) * 13u, 2),
                               words(static_cast<unsigned>(i) * 31u, 3)};
    });
    insert(h, "insert into Alam(AlamTime,AlamDate,ReDay,ReMark) values (?1,?2,?3,?4)", 10000, [](int i) {
        return QList<QVariant>{(i * 7919 % 86400) / 86400.0, 45292.0 + i % 400, i % 10 == 0 ? -1 : 0,
                               QStringLiteral("提醒 %1 ").arg(i) + words(static_cast<unsigned>(i) * 17u, 3)};
    });
    db.exec(QStringLiteral("COMMIT"));
}

// One sandbox with the large data set for every benchmark of this program.
Sandbox& large()
{
    static Sandbox* env = [] {
        auto* made = new Sandbox;
        fillLarge(made->dbPath());
        // Removed with its folder while the application still exists.
        qAddPostRoutine([] { delete env; });
        return made;
    }();
    return *env;
}

const QStringList kQueries = {QStringLiteral("周报"), QStringLiteral("的"), QStringLiteral("REPORT"),
                              QStringLiteral("zqxj"), QStringLiteral("a"),  QStringLiteral("site4242.")};

void BM_SearchWarm(benchmark::State& state)
{
    large();
    const QString text = kQueries.at(static_cast<int>(state.range(0)));
    DbConnection reader;
    DbAccess->ReaderOpener()(reader);
    SearchAll::Results results = SearchAll::Run(reader.handle(), text, [] { return false; });
    for (auto _ : state) {
        results = SearchAll::Run(reader.handle(), text, [] { return false; });
    }
    state.SetLabel(text.toStdString());
    state.counters["notes"] = results.noteCount;
    state.counters["urls"] = results.urlCount;
    state.counters["alams"] = results.alamCount;
}
BENCHMARK(BM_SearchWarm)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(3);

void BM_SearchCold(benchmark::State& state)
{
    large();
    const QString text = kQueries.at(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        DbConnection reader;
        DbAccess->ReaderOpener()(reader);
        benchmark::DoNotOptimize(SearchAll::Run(reader.handle(), text, [] { return false; }));
    }
    state.SetLabel(text.toStdString());
}
BENCHMARK(BM_SearchCold)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

} // namespace
