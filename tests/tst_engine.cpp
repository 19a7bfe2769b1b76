// Every statement of the vocabulary against a fresh database with the clock set:
// the date arithmetic, the reminder filters, aliases, brackets, the updatable
// note row and values that hold quotes or the batch separator.
#include "Seed.h"
#include "TestEnv.h"
#include "base/Clock.h"
#include "base/Exceptions.h"
#include "store/SqlText.h"
#include "store/Statements.h"
#include "store/TAlam.h"
#include "store/TDbAccess.h"

#include <QtTest>
#include <algorithm>
#include <limits>
#include <sqlcipher/sqlite3.h>

namespace {

QString fmt(const QString& t, std::initializer_list<QString> v)
{
    return SqlFormat(t, v);
}

// The IDs a query returns, in order.
QList<qint64> ids(const QString& statement)
{
    DbAccess->OpenQuery(statement);
    QList<qint64> out;
    for (ResultSet& q = DbAccess->Query; !q.eof(); q.next()) {
        out << q.value(0).toLongLong();
    }
    return out;
}

// A table of every kind of cell: k numbers the rows, n holds numbers and NULLs,
// t texts (empty, non-ASCII, 4-byte, very long, invalid UTF-8), m numbers and
// texts mixed, d day numbers, b Booleans. Equal texts in other case sit apart,
// so that a sort that is not stable shows.
const QString kLong = QString(70000, QLatin1Char('x')) + QStringLiteral("é");
// Beyond what a cell keeps in place: kept whole instead.
const QString kHuge = QString(2100000, QLatin1Char('y'));
const qlonglong kBig = qlonglong(1) << 62;

void makeCellTable()
{
    ExecSQL(QStringLiteral("create table T (k INTEGER, n, t TEXT, m, d DATETIME, b BOOLEAN)"));
    const QList<QVariantList> rows = {
        {1, 3, "alpha", 10, 45366.5, -1},
        {2, QVariant(), QVariant(), "10", 0.25, 0},
        {3, 2.5, "", QVariant(), 45366.0, QVariant()},
        {4, 3, "ALPHA", 2.5, QVariant(), 0},
        {5, -7, "Straße", "b", 45000.0, -1},
        {6, 2.5, "STRASSE", "B", 0.5, 0},
        {7, 0, "网站", "网", 45366.5, -1},
        {8, QVariant(), "😀 face", -3, 1.0, 0},
        {9, 1e300, "𐐀 deseret", "", 2.0, -1},
        {10, -1e300, "𐐨 deseret", 10, 3.0, 0},
        {11, 4, "，逗号", "a", 4.0, -1},
        {12, 4, kLong, "A", 5.0, 0},
        {13, 5, "Alpha", 7, 6.0, -1},
        {23, kBig, kHuge, -kBig, 10.0, 0},
    };
    for (const QVariantList& row : rows) {
        DbAccess->ExecBound(QStringLiteral("insert into T values (?1,?2,?3,?4,?5,?6)"), row);
    }
    // Bytes that are no valid UTF-8, as text and as a blob; a byte-order mark; a NUL.
    ExecSQL(QStringLiteral("insert into T values (14, 1, cast(x'ff41' as text), x'c3a9e4bd', 7.0, 0)"));
    ExecSQL(QStringLiteral("insert into T values (15, 1, cast(x'efbbbf61' as text), x'ff', 8.0, -1)"));
    ExecSQL(QStringLiteral("insert into T values (16, 1, cast(x'6100620a' as text), x'', 9.0, 0)"));
    // Overlong, a surrogate's code, beyond the last code point, a noncharacter,
    // cut off, a mark within the text.
    int k = 17;
    for (const char* bytes : {"c0af", "eda080", "f4908080", "efbfbe", "61f09f98", "41efbbbf"}) {
        ExecSQL(QStringLiteral("insert into T values (%1, 0, cast(x'%2' as text), x'%2', 0, 0)")
                    .arg(k++)
                    .arg(QLatin1String(bytes)));
    }
}

// The column's k values in the order shown.
QList<qint64> keysShown(const ResultSet& q)
{
    QList<qint64> out;
    for (int r = 0; r < q.recordCount(); ++r) {
        out << q.valueAt(r, 0).toLongLong();
    }
    return out;
}

// The order a sort must give, computed the plain way from the values shown:
// numbers as numbers when the column holds nothing else, otherwise texts
// compared caselessly, each comparison on its own; equal rows keep their order.
QList<qint64> expectedSort(const ResultSet& q, int column, bool descending)
{
    std::vector<int> rows(static_cast<size_t>(q.recordCount()));
    std::iota(rows.begin(), rows.end(), 0);
    QVariantList values;
    bool numeric = true;
    for (int r : rows) {
        values << q.valueAt(r, column);
        const QVariant& v = values.last();
        numeric = numeric && (v.isNull() || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double);
    }
    auto less = [&](int a, int b) {
        const QVariant& x = values.at(a);
        const QVariant& y = values.at(b);
        if (numeric) {
            const double inf = std::numeric_limits<double>::infinity();
            return (x.isNull() ? -inf : x.toDouble()) < (y.isNull() ? -inf : y.toDouble());
        }
        return x.toString().compare(y.toString(), Qt::CaseInsensitive) < 0;
    };
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return descending ? less(b, a) : less(a, b); });
    QList<qint64> out;
    for (int r : rows) {
        out << q.valueAt(r, 0).toLongLong();
    }
    return out;
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void everyTemplateRuns();
    void reminderFilters();
    void reminderListTexts();
    void schedulerMatchesOnlyItsSecond();
    void clockReadOncePerRun();
    void dateTextsBecomeDayNumbers();
    void badDateTextIsRefused();
    void settingsRow();
    void noteThroughUpdatableRow();
    void gridAliasesAndTreeOrder();
    void caselessKeysOrderAsCaselessCompare();
    void cellsReadBackAsStored();
    void sortsOrderAsCaselessCompare();
    void editAfterSortWritesTheShownRow();
    void valuesWithQuotesAndSeparatorStayWhole();
};

void TestEngine::everyTemplateRuns()
{
    TestEnv env;
    const QString one = QStringLiteral("1");
    const QStringList statements = {
        fmt(Sql::TreeAdd, {"IEType", one, "0", "g"}),
        fmt(Sql::TreeLoad, {"IEType"}),
        fmt(Sql::TreeRename, {"IEType", "h", one}),
        fmt(Sql::TreeDeleteSelf, {"IEType", one}) + kBatchSeparator + fmt(Sql::TreeDeleteChildren, {"IEType", one}),
        fmt(Sql::IEAdd, {one, "www.example.com", "例子", "备注"}),
        Sql::IEGrid,
        Sql::IEGrid + fmt(Sql::IEGridGroup, {one}),
        fmt(Sql::IERead, {one}),
        fmt(Sql::IEGroupName, {one}),
        fmt(Sql::IEChange, {"2", "u", "n", "r", one}),
        fmt(Sql::IEDelete, {one}),
        fmt(Sql::IEDeleteGroup, {"2"}),
        fmt(Sql::NoteCount, {"0"}),
        fmt(Sql::NoteRead, {"0"}),
        fmt(Sql::NoteEditRow, {"0"}),
        Sql::NoteEmptyRow,
        fmt(Sql::NoteDelete, {"0"}),
        fmt(Sql::AlamAddDaily, {"08:00:00", "起床"}),
        fmt(Sql::AlamAddOnce, {"09:00:00", "2024-03-15", "0", "开会"}),
        fmt(Sql::AlamRead, {one}),
        fmt(Sql::AlamChange, {"10:00:00", "1981-02-14", "-1", "改", one}),
        fmt(Sql::AlamSeen, {"2"}),
        Sql::AlamDue,
        fmt(Sql::AlamDelete, {one}),
        Sql::PhraseList,
        fmt(Sql::PhraseAdd, {"喝水"}),
        fmt(Sql::PhraseChange, {"喝茶", one}),
        fmt(Sql::PhraseDelete, {one}),
        Sql::ConfigRead,
        fmt(Sql::ConfigWrite, {"0", ""}),
    };
    QStringList all = statements;
    for (const QString& filter : Sql::AlamFilters) {
        all << Sql::AlamList + filter;
    }
    for (const QString& s : all) {
        const bool query = s.trimmed().startsWith(QLatin1String("select"), Qt::CaseInsensitive);
        try {
            if (query) {
                DbAccess->OpenQuery(s);
            } else {
                ExecSQL(s);
            }
        } catch (const EDBException& e) {
            QFAIL(qPrintable(s + QStringLiteral(" -> ") + e.Message()));
        }
    }
    DbAccess->OpenQuery(Sql::NoteEmptyRow);
    QCOMPARE(DbAccess->Query.recordCount(), 0);
    QCOMPARE(DbAccess->Query.fieldCount(), 2);
    QCOMPARE(QueryInt(fmt(Sql::NoteCount, {"42"})), 0);
}

void TestEngine::reminderFilters()
{
    TestEnv env(true, QDateTime(QDate(2024, 3, 15), QTime(9, 30, 0)));
    ExecSQL(fmt(Sql::AlamAddDaily, {"08:00:00", "daily"}));
    const qint64 daily = QueryInt(QStringLiteral("select max(ID) from Alam"));
    const qint64 pastToday = addOnce("09:00:00", QDate(2024, 3, 15), "past today");
    const qint64 laterToday = addOnce("10:00:00", QDate(2024, 3, 15), "later today");
    const qint64 tomorrow = addOnce("09:00:00", QDate(2024, 3, 16), "tomorrow");
    const qint64 seenYesterday = addOnce("12:00:00", QDate(2024, 3, 14), "seen", true);
    const qint64 missedYesterday = addOnce("23:59:59", QDate(2024, 3, 14), "missed");
    ExecSQL(fmt(Sql::AlamAddDaily, {"07:00:00", "daily by modify"}));
    const qint64 dailyByModify = QueryInt(QStringLiteral("select max(ID) from Alam"));
    ExecSQL(fmt(Sql::AlamChange, {"07:00:00", "1981-02-14", "-1", "daily by modify", QString::number(dailyByModify)}));

    const QList<QList<qint64>> expected = {
        {pastToday, laterToday},
        {tomorrow},
        {pastToday, missedYesterday},
        {seenYesterday},
        {daily, dailyByModify},
        {daily, pastToday, laterToday, tomorrow, seenYesterday, missedYesterday, dailyByModify},
    };
    for (int f = 0; f < 6; ++f) {
        QCOMPARE(ids(Sql::AlamList + Sql::AlamFilters[f]), expected[f]);
    }
    // Before its second a reminder of today is not yet missed.
    Clock::setFixed(QDateTime(QDate(2024, 3, 15), QTime(8, 59, 59)));
    QCOMPARE(ids(Sql::AlamList + Sql::AlamFilters[2]), QList<qint64>{missedYesterday});
    Clock::setFixed(QDateTime(QDate(2024, 3, 15), QTime(9, 0, 0)));
    QCOMPARE(ids(Sql::AlamList + Sql::AlamFilters[2]), QList<qint64>{missedYesterday});
    Clock::setFixed(QDateTime(QDate(2024, 3, 15), QTime(9, 0, 1)));
    QCOMPARE(ids(Sql::AlamList + Sql::AlamFilters[2]), (QList<qint64>{pastToday, missedYesterday}));
}

void TestEngine::reminderListTexts()
{
    TestEnv env;
    ExecSQL(fmt(Sql::AlamAddDaily, {"08:05:09", "每日"}));
    addOnce("09:00:00", QDate(2024, 3, 15), "一次", true);
    DbAccess->OpenQuery(Sql::AlamList);
    ResultSet& q = DbAccess->Query;
    QCOMPARE(q.fieldCount(), 4);
    QCOMPARE(q.textAt(0, 1), QStringLiteral("每天  08:05:09"));
    QCOMPARE(q.textAt(0, 2), QStringLiteral("每日"));
    QCOMPARE(q.textAt(0, 3), QString());
    QCOMPARE(q.textAt(1, 1), QStringLiteral("2024-03-15 09:00:00"));
    QCOMPARE(q.textAt(1, 3), QStringLiteral("看过的"));
}

void TestEngine::schedulerMatchesOnlyItsSecond()
{
    TestEnv env(true, QDateTime(QDate(2024, 3, 15), QTime(14, 5, 9)));
    ExecSQL(fmt(Sql::AlamAddDaily, {"14:05:09", "a"}));
    addOnce("14:05:09", QDate(2024, 3, 20), "b");
    addOnce("14:05:10", QDate(2024, 3, 15), "c");
    DbAccess->OpenTimerQuery(Sql::AlamDue);
    QCOMPARE(DbAccess->TimerQuery.recordCount(), 2);
    QCOMPARE(DbAccess->TimerQuery.fieldIndex(QStringLiteral("remark")), 3);
    Clock::advance(1);
    DbAccess->OpenTimerQuery(Sql::AlamDue);
    QCOMPARE(DbAccess->TimerQuery.recordCount(), 1);
    QCOMPARE(DbAccess->TimerQuery.asString(QStringLiteral("ReMark")), QStringLiteral("c"));
    QCOMPARE(DbAccess->TimerQuery.asDateTime(QStringLiteral("AlamDate")).date(), QDate(2024, 3, 15));
}

// Every row of one run sees the same moment, however long the run takes; the
// next run sees the clock as it is then.
void TestEngine::clockReadOncePerRun()
{
    TestEnv env(true, QDateTime(QDate(2024, 3, 15), QTime(23, 59, 58)));
    // tick(x) moves the clock on by a second for every row it looks at.
    DbAccess->Transaction([](sqlite3* db) {
        sqlite3_create_function(
            db, "tick", 1, SQLITE_UTF8, nullptr,
            [](sqlite3_context* ctx, int, sqlite3_value** argv) {
                Clock::advance(1);
                sqlite3_result_value(ctx, argv[0]);
            },
            nullptr, nullptr);
    });
    QList<qint64> today;
    for (int i = 0; i < 3; ++i) {
        today << addOnce("09:00:00", QDate(2024, 3, 15), "r");
    }
    const QString list =
        Sql::AlamList + QStringLiteral("and tick(ID) is not null ") + Sql::AlamFilters[TAlam::Today] + Sql::AlamOrder;
    // The run passes midnight after its second row; the next one starts the day after.
    QCOMPARE(ids(list), today);
    QCOMPARE(Clock::now(), QDateTime(QDate(2024, 3, 16), QTime(0, 0, 1)));
    QCOMPARE(ids(list), QList<qint64>());
}

void TestEngine::dateTextsBecomeDayNumbers()
{
    TestEnv env;
    const qint64 id = addOnce("14:05:09", QDate(2024, 3, 15), "x");
    DbAccess->OpenQuery(fmt(Sql::AlamRead, {QString::number(id)}));
    ResultSet& q = DbAccess->Query;
    QCOMPARE(q.value(QStringLiteral("AlamTime")).toDouble(), 50709 / 86400.0);
    QCOMPARE(q.value(QStringLiteral("AlamDate")).toDouble(), 45366.0);
    QCOMPARE(q.asBoolean(QStringLiteral("ReDay")), false);
    QCOMPARE(q.asBoolean(QStringLiteral("bLook")), false);
    QCOMPARE(q.asString(QStringLiteral("AlamTime")), QStringLiteral("14:05:09"));
    QCOMPARE(q.asString(QStringLiteral("AlamDate")), QStringLiteral("2024-03-15"));

    ExecSQL(fmt(Sql::AlamAddDaily, {"00:00:00", "midnight"}));
    DbAccess->OpenQuery(QStringLiteral("select * from Alam where ReMark='midnight'"));
    QVERIFY(q.asBoolean(QStringLiteral("ReDay")));
    QVERIFY(q.value(QStringLiteral("AlamDate")).isNull());
    QCOMPARE(q.value(QStringLiteral("AlamTime")).toDouble(), 0.0);

    ExecSQL(fmt(Sql::AlamChange, {"23:59:59", "", "0", "y", QString::number(id)}));
    DbAccess->OpenQuery(fmt(Sql::AlamRead, {QString::number(id)}));
    QVERIFY(q.value(QStringLiteral("AlamDate")).isNull());
    QCOMPARE(q.value(QStringLiteral("AlamTime")).toDouble(), 86399 / 86400.0);
}

void TestEngine::badDateTextIsRefused()
{
    TestEnv env;
    try {
        ExecSQL(fmt(Sql::AlamAddOnce, {"25:99:00", "2024-03-15", "0", "bad"}));
        QFAIL("an impossible time was stored");
    } catch (const EDBException& e) {
        QCOMPARE(e.UserMessage(), QStringLiteral("数据库操作失败！"));
    }
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from Alam")), 0);
}

void TestEngine::settingsRow()
{
    TestEnv env;
    DbAccess->OpenQuery(Sql::ConfigRead);
    QCOMPARE(DbAccess->Query.recordCount(), 1);
    QCOMPARE(DbAccess->Query.asBoolean(QStringLiteral("bPass")), false);
    QCOMPARE(DbAccess->Query.asString(QStringLiteral("PassWord")), QString());
    ExecSQL(fmt(Sql::ConfigWrite, {"-1", " Pa'ss "}));
    DbAccess->OpenQuery(Sql::ConfigRead);
    QCOMPARE(DbAccess->Query.recordCount(), 1);
    QCOMPARE(DbAccess->Query.value(QStringLiteral("bPass")).toLongLong(), -1);
    QCOMPARE(DbAccess->Query.asString(QStringLiteral("password")), QStringLiteral(" Pa'ss "));
}

void TestEngine::noteThroughUpdatableRow()
{
    TestEnv env;
    const QString text = QStringLiteral("it's 'quoted'\r\nsecond line @#@ -- \"x\" 😀\n");
    ResultSet& q = DbAccess->Query;
    DbAccess->OpenQuery(Sql::NoteEmptyRow);
    q.append();
    q.setValue(QStringLiteral("TypeID"), 7);
    q.setValue(QStringLiteral("ReMark"), text);
    q.post();
    QCOMPARE(QueryInt(fmt(Sql::NoteCount, {"7"})), 1);

    DbAccess->OpenQuery(fmt(Sql::NoteRead, {"7"}));
    QCOMPARE(q.asString(QStringLiteral("ReMark")), text);

    DbAccess->OpenQuery(fmt(Sql::NoteEditRow, {"7"}));
    q.edit();
    q.setValue(QStringLiteral("ReMark"), text + text);
    q.post();
    DbAccess->OpenQuery(fmt(Sql::NoteRead, {"7"}));
    QCOMPARE(q.asString(QStringLiteral("ReMark")), text + text);
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from NoteBook")), 1);

    // The statement that posts never carries the text itself.
    DbAccess->OpenQuery(Sql::NoteEmptyRow);
    q.append();
    q.setValue(QStringLiteral("TypeID"), 7);
    q.setValue(QStringLiteral("ReMark"), QStringLiteral("secret words"));
    try {
        q.post();
        QFAIL("a second note row for one group was stored");
    } catch (const EDBException& e) {
        QVERIFY(!e.Statement().contains(QLatin1String("secret")));
    }
}

void TestEngine::gridAliasesAndTreeOrder()
{
    TestEnv env;
    ExecSQL(fmt(Sql::IEAdd, {"3", "www.example.com", "标题一", "备注一"}));
    DbAccess->OpenQuery(Sql::IEGrid);
    ResultSet& q = DbAccess->Query;
    QCOMPARE(q.field(1).name, QStringLiteral("标题"));
    QCOMPARE(q.field(2).name, QStringLiteral("备注"));
    QCOMPARE(q.field(3).name, QStringLiteral("网址"));
    QCOMPARE(q.asString(QStringLiteral("网址")), QStringLiteral("www.example.com"));

    ExecSQL(QStringLiteral("insert into NoteType values (0,0,'phantom')"));
    for (const char* n : {"5", "2", "9"}) {
        ExecSQL(fmt(Sql::TreeAdd, {"NoteType", QLatin1String(n), "0", QLatin1String(n)}));
    }
    QCOMPARE(ids(fmt(Sql::TreeLoad, {"NoteType"})), (QList<qint64>{2, 5, 9}));
}

// The grid sorts by keys folded once; they must order as a caseless compare does.
void TestEngine::caselessKeysOrderAsCaselessCompare()
{
    const QStringList texts = {QString(),
                               QStringLiteral("alpha"),
                               QStringLiteral("ALPHA"),
                               QStringLiteral("Alpha2"),
                               QStringLiteral("beta"),
                               QStringLiteral("Straße"),
                               QStringLiteral("STRASSE"),
                               QStringLiteral("ΣΊΣΥΦΟΣ"),
                               QStringLiteral("σίσυφος"),
                               QStringLiteral("网站"),
                               QStringLiteral("，逗号"), // U+FF0C: above the halves of a pair
                               QStringLiteral("😀 face"),
                               QStringLiteral("𐐀 deseret"), // a capital beyond the first plane
                               QStringLiteral("𐐨 deseret"),
                               QString(QChar(0xD800)) + QStringLiteral("lone half"),
                               QStringLiteral("\uFFFDlone half")};
    for (const QString& a : texts) {
        for (const QString& b : texts) {
            const int expected = a.compare(b, Qt::CaseInsensitive);
            const std::u16string ka = CaselessKey(a);
            const std::u16string kb = CaselessKey(b);
            const int got = ka < kb ? -1 : (kb < ka ? 1 : 0);
            QVERIFY2((expected < 0 ? -1 : expected > 0 ? 1 : 0) == got, qPrintable(a + QStringLiteral(" | ") + b));
        }
    }
}

void TestEngine::cellsReadBackAsStored()
{
    TestEnv env;
    makeCellTable();
    DbAccess->OpenQuery(QStringLiteral("select k, n, t, m, d, b from T order by k"));
    const ResultSet& q = DbAccess->Query;
    QCOMPARE(q.recordCount(), 23);
    struct Case
    {
        int row;
        int column;
        QVariant value;
        QString text;
    };
    const QList<Case> cases = {
        {0, 2, QStringLiteral("alpha"), QStringLiteral("alpha")},
        {1, 1, QVariant(), QString()},
        {2, 2, QString(""), QString()},
        {2, 1, 2.5, QStringLiteral("2.5")},
        {8, 1, 1e300, QStringLiteral("1e+300")},
        {4, 0, qlonglong(5), QStringLiteral("5")},
        {6, 2, QStringLiteral("网站"), QStringLiteral("网站")},
        {7, 2, QStringLiteral("😀 face"), QStringLiteral("😀 face")},
        {11, 2, kLong, kLong},
        {13, 2,
         QString::fromUtf8("\xff"
                           "A"),
         QString::fromUtf8("\xff"
                           "A")},
        {13, 3, QByteArray("\xc3\xa9\xe4\xbd"), QString::fromUtf8("\xc3\xa9\xe4\xbd")},
        {14, 2,
         QString::fromUtf8("\xef\xbb\xbf"
                           "a"),
         QString::fromUtf8("\xef\xbb\xbf"
                           "a")},
        {15, 2, QString::fromUtf8("a\0b\n", 4), QString::fromUtf8("a\0b\n", 4)},
        {15, 3, QByteArray(""), QString()},
        {0, 4, 45366.5, QStringLiteral("2024-03-15 12:00:00")},
        {1, 4, 0.25, QStringLiteral("06:00:00")},
        {2, 4, qlonglong(45366), QStringLiteral("2024-03-15")},
        {0, 5, qlonglong(-1), QStringLiteral("True")},
        {22, 1, kBig, QString::number(kBig)},
        {22, 2, kHuge, kHuge},
        {22, 3, -kBig, QString::number(-kBig)},
        {1, 5, qlonglong(0), QStringLiteral("False")},
    };
    for (const Case& c : cases) {
        const QVariant v = q.valueAt(c.row, c.column);
        const QString where = QStringLiteral("row %1 column %2").arg(c.row).arg(c.column);
        QVERIFY2(v.typeId() == c.value.typeId() && v == c.value, qPrintable(where));
        QVERIFY2(q.textAt(c.row, c.column) == c.text, qPrintable(where));
    }
    // A row is found by the text it shows, the first such row; numbers only by their own digits.
    QStringList probes = {QStringLiteral(" 5"),     QStringLiteral("05"),   QStringLiteral("+5"),
                          QStringLiteral("-0"),     QStringLiteral("true"), QStringLiteral("10.0"),
                          QStringLiteral("nothing")};
    for (int r = 0; r < q.recordCount(); ++r) {
        for (int c = 0; c < q.fieldCount(); ++c) {
            probes << q.textAt(r, c);
        }
    }
    for (int c = 0; c < q.fieldCount(); ++c) {
        for (const QString& probe : probes) {
            int first = -1;
            for (int r = 0; r < q.recordCount() && first < 0; ++r) {
                first = q.textAt(r, c) == probe ? r : -1;
            }
            QVERIFY2(q.findRow(c, probe) == first, qPrintable(QStringLiteral("%1 in column %2").arg(probe).arg(c)));
        }
    }
}

// Sorts on every column both ways, one after another (each starting from the
// order the one before left), as a view over an ordinary and an updatable query.
void TestEngine::sortsOrderAsCaselessCompare()
{
    TestEnv env;
    makeCellTable();
    for (const char* statement : {"select k, n, t, m, d, b from T", "select * from T"}) {
        DbAccess->OpenQuery(QLatin1String(statement));
        ResultSet& q = DbAccess->Query;
        for (int round = 0; round < 2; ++round) {
            for (const char* field : {"t", "n", "m", "t", "d", "b", "m", "k"}) {
                for (bool descending : {false, true}) {
                    const int column = q.fieldIndex(QLatin1String(field));
                    const QList<qint64> expected = expectedSort(q, column, descending);
                    q.setSortOrder(QLatin1String(field) + QLatin1String(descending ? " DESC" : ""));
                    QVERIFY2(keysShown(q) == expected, qPrintable(QStringLiteral("%1 %2").arg(field).arg(descending)));
                    QCOMPARE(q.recNo(), 0);
                }
            }
            // Reversed before the second round, so that ties start in another order.
            q.setSortOrder(QStringLiteral("k DESC"));
        }
    }
}

// The rows of an updatable query, once sorted, still write to their own records.
void TestEngine::editAfterSortWritesTheShownRow()
{
    TestEnv env;
    makeCellTable();
    ResultSet& q = DbAccess->Query;
    DbAccess->OpenQuery(QStringLiteral("select * from T"));
    q.setSortOrder(QStringLiteral("t DESC"));
    q.setRecNo(3);
    const qint64 k = q.asInteger(QStringLiteral("k"));
    QVERIFY(k != 4);
    q.edit();
    q.setValue(QStringLiteral("t"), QStringLiteral("changed"));
    q.post();
    QCOMPARE(q.asString(QStringLiteral("t")), QStringLiteral("changed"));
    QCOMPARE(QueryInt(QStringLiteral("select k from T where t='changed'")), k);
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from T where t='changed'")), 1);

    // A row added to a sorted set comes last and is the one edited next.
    q.append();
    q.setValue(QStringLiteral("k"), 99);
    q.setValue(QStringLiteral("t"), QStringLiteral("new"));
    q.post();
    QCOMPARE(q.recNo(), 23);
    QCOMPARE(q.valueAt(23, 0).toInt(), 99);
    q.edit();
    q.setValue(QStringLiteral("n"), 42);
    q.post();
    QCOMPARE(QueryInt(QStringLiteral("select n from T where k=99")), 42);
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from T where n=42")), 1);

    // Posted values sort with the fetched ones.
    const int t = q.fieldIndex(QStringLiteral("t"));
    const QList<qint64> expected = expectedSort(q, t, false);
    q.setSortOrder(QStringLiteral("t"));
    QCOMPARE(keysShown(q), expected);
}

void TestEngine::valuesWithQuotesAndSeparatorStayWhole()
{
    TestEnv env;
    const QString name = QStringLiteral("a'b@#@c -- x");
    ExecSQL(fmt(Sql::TreeAdd, {"IEType", "1", "0", "keep"}));
    ExecSQL(fmt(Sql::TreeAdd, {"IEType", "2", "0", name}));
    ExecSQL(fmt(Sql::TreeRename, {"IEType", name + name, "2"}));
    ExecSQL(fmt(Sql::IEAdd, {"2", name, name, name}));
    ExecSQL(fmt(Sql::PhraseAdd, {name}));
    ExecSQL(fmt(Sql::AlamAddDaily, {"08:00:00", name}));
    DbAccess->OpenQuery(fmt(Sql::TreeLoad, {"IEType"}));
    ResultSet& q = DbAccess->Query;
    QCOMPARE(q.textAt(0, 2), QStringLiteral("keep"));
    QCOMPARE(q.textAt(1, 2), name + name);
    DbAccess->OpenQuery(QStringLiteral("select * from IE"));
    QCOMPARE(q.asString(QStringLiteral("IEUrl")), name);
    QCOMPARE(q.asString(QStringLiteral("IEName")), name);
    DbAccess->OpenQuery(Sql::PhraseList);
    QCOMPARE(q.textAt(0, 1), name);
    DbAccess->OpenQuery(Sql::AlamList);
    QCOMPARE(q.textAt(0, 2), name);
}

QTEST_MAIN(TestEngine)
#include "tst_engine.moc"
