// Statement text: filling templates, splitting batches, the + rewrite and
// date-time formatting. No database needed.
#include "base/Exceptions.h"
#include "store/JetDialect.h"
#include "store/SqlText.h"

#include <QtTest>

class TestSqlText : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
    void formatRefusesWrongCount_data();
    void formatRefusesWrongCount();
    void formatRefusesNul();
    void formatRefusesTextWhereANumberGoes();
    void split_data();
    void split();
    void rewrite_data();
    void rewrite();
    void jetFormat_data();
    void jetFormat();
    void dayNumbers();
};

void TestSqlText::format_data()
{
    QTest::addColumn<QString>("tmpl");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "update %s set TypeName='%s' where SelfIndex=%s " << QStringList{"NoteType", "工作", "7"}
                           << "update NoteType set TypeName='工作' where SelfIndex=7 ";
    QTest::newRow("quote doubled") << "insert into %s(SelfIndex,ParentIndex,TypeName) values (%s,%s,'%s')"
                                   << QStringList{"IEType", "3", "0", "a'b@#@c -- x"}
                                   << "insert into IEType(SelfIndex,ParentIndex,TypeName) values (3,0,'a''b@#@c -- x')";
    QTest::newRow("percent-s in a value stays")
        << "Insert into AlamContext(ReMark) values('%s') " << QStringList{"%s'%s"}
        << "Insert into AlamContext(ReMark) values('%s''%s') ";
    QTest::newRow("negative number") << "where ID=%s" << QStringList{"-1"} << "where ID=-1";
}

void TestSqlText::format()
{
    QFETCH(QString, tmpl);
    QFETCH(QStringList, values);
    QFETCH(QString, expected);
    QString out;
    switch (values.size()) {
    case 1:
        out = SqlFormat(tmpl, {values[0]});
        break;
    case 3:
        out = SqlFormat(tmpl, {values[0], values[1], values[2]});
        break;
    case 4:
        out = SqlFormat(tmpl, {values[0], values[1], values[2], values[3]});
        break;
    }
    QCOMPARE(out, expected);
}

void TestSqlText::formatRefusesWrongCount_data()
{
    QTest::addColumn<int>("given");
    QTest::newRow("too few") << 2;
    QTest::newRow("too many") << 4;
}

void TestSqlText::formatRefusesWrongCount()
{
    QFETCH(int, given);
    const QString tmpl = QStringLiteral("update %s set TypeName='%s' where SelfIndex=%s ");
    try {
        given == 2 ? SqlFormat(tmpl, {QStringLiteral("IEType"), QStringLiteral("x")})
                   : SqlFormat(tmpl, {QStringLiteral("IEType"), QStringLiteral("x"), QStringLiteral("1"),
                                      QStringLiteral("2")});
        QFAIL("a statement with a wrong count of values was made");
    } catch (const EAppError& e) {
        QVERIFY(e.Message().contains(QStringLiteral("需要 3 个值")));
    }
}

void TestSqlText::formatRefusesNul()
{
    const QString withNul = QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b");
    try {
        SqlFormat(QStringLiteral("Insert into AlamContext(ReMark) values('%s') "), {withNul});
        QFAIL("a NUL character went into a statement");
    } catch (const EAppError& e) {
        QCOMPARE(e.Message(), QStringLiteral("文字中不能含有空字符（U+0000），请删除后再试！"));
    }
}

void TestSqlText::formatRefusesTextWhereANumberGoes()
{
    try {
        SqlFormat(QStringLiteral("delete from IE where ID=%s "), {QStringLiteral("1 or 1=1")});
        QFAIL("a text in a number's place was spliced into the statement");
    } catch (const EAppError& e) {
        QCOMPARE(e.Message(), QStringLiteral("'1 or 1=1' 不是有效的整数值"));
    }
}

void TestSqlText::split_data()
{
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("two") << "a@#@b" << QStringList{"a", "b"};
    QTest::newRow("none") << "a" << QStringList{"a"};
    QTest::newRow("empty between") << "a@#@@#@b" << QStringList{"a", "", "b"};
    QTest::newRow("trailing") << "a@#@" << QStringList{"a", ""};
    QTest::newRow("inside a literal") << "x='a@#@b'@#@y='c''@#@'" << QStringList{"x='a@#@b'", "y='c''@#@'"};
}

void TestSqlText::split()
{
    QFETCH(QString, batch);
    QFETCH(QStringList, pieces);
    QCOMPARE(SplitText(batch, kBatchSeparator), pieces);
}

void TestSqlText::rewrite_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("list statement")
        << "select ID,IIf(ReDay,'每天  '+format(Alamtime,'HH:mm:ss'),format(Alamtime+AlamDate,'yyyy-mm-dd HH:mm:ss')) "
        << "select ID,IIf(ReDay,'每天  '||format(Alamtime,'HH:mm:ss'),format(Alamtime+AlamDate,'yyyy-mm-dd "
           "HH:mm:ss')) ";
    QTest::newRow("numbers untouched") << "select a+b, Date()+1 from t"
                                       << "select a+b, Date()+1 from t";
    QTest::newRow("plus inside a literal") << "select 'a+b' from t"
                                           << "select 'a+b' from t";
    QTest::newRow("product on the right") << "select 'n='+x*2 from t"
                                          << "select 'n='||(x*2) from t";
    QTest::newRow("sum on the left") << "select a+b+'x' from t"
                                     << "select (a+b)||'x' from t";
    QTest::newRow("chain of texts") << "select 'a'+b+'c' from t"
                                    << "select ('a'||b)||'c' from t";
}

void TestSqlText::rewrite()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(Jet::rewrite(in), out);
}

void TestSqlText::jetFormat_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("time") << "HH:mm:ss"
                          << "07:05:09";
    QTest::newRow("date and time") << "yyyy-mm-dd HH:mm:ss"
                                   << "2024-03-15 07:05:09";
    QTest::newRow("mm after hour is minutes") << "hh:mm"
                                              << "07:05";
    QTest::newRow("mm before seconds is minutes") << "mm:ss"
                                                  << "05:09";
    QTest::newRow("mm alone is the month") << "yyyy/mm"
                                           << "2024/03";
}

void TestSqlText::jetFormat()
{
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(Jet::format(QDateTime(QDate(2024, 3, 15), QTime(7, 5, 9)), pattern), expected);
}

void TestSqlText::dayNumbers()
{
    QCOMPARE(Jet::toDays(QDate(1899, 12, 30)), 0.0);
    QCOMPARE(Jet::toDays(QDate(2024, 3, 15)), 45366.0);
    QCOMPARE(Jet::toTimeFraction(QTime(14, 5, 9)), (14 * 3600 + 5 * 60 + 9) / 86400.0);
    // Every second of a day survives the round trip.
    for (int s = 0; s < 86400; s += 7) {
        const QDateTime moment(QDate(2024, 3, 15), QTime(0, 0).addSecs(s));
        QCOMPARE(Jet::fromDays(Jet::toDays(moment)), moment);
    }
}

QTEST_GUILESS_MAIN(TestSqlText)
#include "tst_sqltext.moc"
