// Searching everything: what matches (a table of texts), the snippet, the cap,
// the search thread (newest wins, the file can still be restored while it
// reads), and the window: opened from the menus and the key, results as the
// user types, and each kind of result shown in its tab.
#include "Seed.h"
#include "TestEnv.h"
#include "frame/TFormMain.h"
#include "groups/TZentTree.h"
#include "notes/NotesTab.h"
#include "reminders/RemindersTab.h"
#include "search/TFormSearch.h"
#include "store/DbConnection.h"
#include "store/DbKey.h"
#include "store/SearchAll.h"
#include "store/SearchReader.h"
#include "store/TDbAccess.h"
#include "store/TNote.h"
#include "urls/UrlsTab.h"
#include "widgets/ResultSetModel.h"
#include "widgets/TZentDBGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {

void addNote(int group, const QString& text)
{
    NoteStore.TypeID = group;
    NoteStore.ReMark = text;
    NoteStore.AddNote();
}

// A small world: two note groups under the root, one named with % and _, notes
// with mixed case, quotes and a_b; addresses in a group, at the root and in a
// group that is gone; one daily and one one-off reminder.
void seedWorld()
{
    addGroup(QStringLiteral("NoteType"), 1, 0, QStringLiteral("工作"));
    addGroup(QStringLiteral("NoteType"), 2, 1, QStringLiteral("周报"));
    addGroup(QStringLiteral("NoteType"), 3, 0, QStringLiteral("50%_off"));
    addNote(0, QStringLiteral("Weekly REPORT 本周完成\nit's done"));
    addNote(2, QStringLiteral("周报内容：a_b 与 axb"));
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("收藏"));
    addUrl(1, QStringLiteral("https://example.com/Report"), QStringLiteral("示例 Title"), QStringLiteral("备注 100%"));
    addUrl(0, QStringLiteral("http://a_b.cn"), QString(), QStringLiteral("it's ok"));
    addUrl(9, QStringLiteral("x.org"), QStringLiteral("孤儿"));
    addDaily(QStringLiteral("08:00:00"), QStringLiteral("站会"));
    addOnce(QStringLiteral("10:00:00"), QDate(2024, 3, 20), QStringLiteral("交周报 REPORT"));
}

SearchAll::Results search(const QString& text)
{
    DbConnection reader;
    DbAccess->ReaderOpener()(reader);
    return SearchAll::Run(reader.handle(), text, [] { return false; });
}

QString found(const SearchAll::Results& r)
{
    QStringList notes, urls, alams;
    for (const auto& h : r.notes) {
        notes << h.path;
    }
    for (const auto& h : r.urls) {
        urls << h.address;
    }
    for (const auto& h : r.alams) {
        alams << h.text;
    }
    return notes.join(QLatin1Char(',')) + QLatin1Char('|') + urls.join(QLatin1Char(',')) + QLatin1Char('|') +
           alams.join(QLatin1Char(','));
}

QTreeWidgetItem* resultRow(TFormSearch* form, int group, int row)
{
    QTreeWidgetItem* top = form->lvResult->topLevelItem(group);
    return top ? top->child(row) : nullptr;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void matching_data();
    void matching();
    void hitFields();
    void snippet_data();
    void snippet();
    void capPerKind();
    void newestRequestWins();
    void restoreWhileSearching();
    void windowOpensOnce();
    void chooseShowsInTab();
    void chosenThenGone();
};

void TestSearch::matching_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // note paths | addresses | reminder texts
    QTest::newRow("Latin any case") << "report"
                                    << "根目录|https://example.com/Report|交周报 REPORT";
    QTest::newRow("mixed case") << "rEpOrT"
                                << "根目录|https://example.com/Report|交周报 REPORT";
    QTest::newRow("one Chinese character, name or text") << "周"
                                                         << "根目录,根目录->工作->周报||交周报 REPORT";
    QTest::newRow("group name only") << "工作"
                                     << "根目录->工作||";
    QTest::newRow("no match") << "它"
                              << "||";
    QTest::newRow("single quote") << "it's"
                                  << "根目录|http://a_b.cn|";
    QTest::newRow("percent is itself") << "0%"
                                       << "根目录->50%_off|https://example.com/Report|";
    QTest::newRow("underscore is itself") << "a_b"
                                          << "根目录->工作->周报|http://a_b.cn|";
    QTest::newRow("lone underscore") << "_"
                                     << "根目录->工作->周报,根目录->50%_off|http://a_b.cn|";
    QTest::newRow("backslash") << "\\"
                               << "||";
    QTest::newRow("full-width letter is not folded") << "ｒｅｐｏｒｔ"
                                                     << "||";
    QTest::newRow("address of a group that is gone") << "x.org"
                                                     << "|x.org|";
    QTest::newRow("line break in the text") << "完成\nit"
                                            << "根目录||";
}

void TestSearch::matching()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    TestEnv env;
    seedWorld();
    const SearchAll::Results r = search(text);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(found(r), expected);
    QCOMPARE(r.noteCount, r.notes.size());
}

void TestSearch::hitFields()
{
    TestEnv env;
    seedWorld();
    SearchAll::Results r = search(QStringLiteral("."));
    QCOMPARE(r.urls.size(), 3);
    QCOMPARE(r.urls[0].title, QStringLiteral("示例 Title"));
    QCOMPARE(r.urls[0].remark, QStringLiteral("备注 100%"));
    QCOMPARE(r.urls[0].path, QStringLiteral("全部->收藏"));
    QCOMPARE(r.urls[1].path, QStringLiteral("全部"));
    QCOMPARE(r.urls[2].path, QStringLiteral("全部")); // x.org, its group gone
    r = search(QStringLiteral("o"));
    QCOMPARE(r.notes.first().path, QStringLiteral("根目录"));
    QCOMPARE(r.notes.first().matches, 2); // REPORT, done
    QCOMPARE(r.notes.first().snippet, QStringLiteral("Weekly REPORT 本周完成 it's done"));

    r = search(QStringLiteral("会"));
    QCOMPARE(r.alams.size(), 1);
    QCOMPARE(r.alams[0].due, QStringLiteral("每天  08:00:00"));
    r = search(QStringLiteral("交"));
    QCOMPARE(r.alams[0].due, QStringLiteral("2024-03-20 10:00:00"));
}

void TestSearch::snippet_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("expected");
    QTest::newRow("middle of a long text") << QString(30, u'a') + "XYZ" + QString(100, u'b') << 30 << 3
                                           << "…" + QString(20, u'a') + "XYZ" + QString(57, u'b') + "…";
    QTest::newRow("near the start") << "abXcd" << 2 << 1 << "abXcd";
    QTest::newRow("near the end keeps context before")
        << QString(100, u'a') + "X" << 100 << 1 << "…" + QString(79, u'a') + "X";
    QTest::newRow("line breaks and tabs as blanks") << "ab\ncd\r\nef\tX" << 10 << 1 << "ab cd  ef X";
    QTest::newRow("never half a character") << "a😀" + QString(19, u'b') + "X" + QString(100, u'c') << 22 << 1
                                            << "…😀" + QString(19, u'b') + "X" + QString(58, u'c') + "…";
    QTest::newRow("empty note") << QString() << 0 << 0 << QString();
}

void TestSearch::snippet()
{
    QFETCH(QString, text);
    QFETCH(int, at);
    QFETCH(int, length);
    QFETCH(QString, expected);
    QCOMPARE(SearchAll::Snippet(text, at, length), expected);
}

void TestSearch::capPerKind()
{
    TestEnv env;
    for (int i = 0; i < SearchAll::kCap + 5; ++i) {
        addUrl(0, QStringLiteral("https://site%1.example").arg(i), QStringLiteral("t"));
    }
    const SearchAll::Results r = search(QStringLiteral("SITE"));
    QCOMPARE(r.urls.size(), SearchAll::kCap);
    QCOMPARE(r.urlCount, SearchAll::kCap + 5);
    QCOMPARE(r.urls.first().address, QStringLiteral("https://site0.example"));

    // The window says how many there are and how many it shows.
    TFormSearch form;
    form.ShowSearch();
    form.edtSearch->setText(QStringLiteral("site"));
    QTRY_COMPARE(form.lvResult->topLevelItemCount(), 1);
    QCOMPARE(form.lvResult->topLevelItem(0)->text(0), QStringLiteral("网址（共 205 条，显示前 200 条）"));
    QCOMPARE(form.lvResult->topLevelItem(0)->childCount(), SearchAll::kCap);
}

void TestSearch::newestRequestWins()
{
    TestEnv env;
    seedWorld();
    QObject receiver;
    QStringList delivered;
    SearchReader reader(
        &receiver, [] { return DbAccess->ReaderOpener(); },
        [&](const SearchAll::Results& r) { delivered << r.text + QLatin1Char('=') + found(r); });
    const QStringList asked = {QStringLiteral("a"), QStringLiteral("e"), QStringLiteral("工作")};
    for (const QString& text : asked) {
        reader.request(text);
    }
    QTRY_VERIFY(!delivered.isEmpty() && delivered.last().startsWith(QStringLiteral("工作=")));
    QCOMPARE(delivered.last(), QStringLiteral("工作=根目录->工作||"));
    // An older search never answers after a newer one.
    int before = -1;
    for (const QString& d : delivered) {
        const int at = static_cast<int>(asked.indexOf(d.section(QLatin1Char('='), 0, 0)));
        QVERIFY(at > before);
        before = at;
    }

    // A failure to open reaches the receiver as the engine's text.
    SearchReader broken(
        &receiver,
        [] { return SearchReader::Opener([](DbConnection& c) { c.open(QStringLiteral("/nonexistent/x.dat")); }); },
        [&](const SearchAll::Results& r) { delivered << QStringLiteral("error:") + r.error; });
    broken.request(QStringLiteral("x"));
    QTRY_VERIFY(delivered.last().startsWith(QStringLiteral("error:unable to open")));
}

void TestSearch::restoreWhileSearching()
{
    TestEnv env;
    seedWorld();
    const QString backup = env.file(QStringLiteral("copy.bat"));
    BackupTo(backup);
    ExecSQL(QStringLiteral("delete from IE"));
    TFormSearch form;
    form.ShowSearch();
    form.edtSearch->setText(QStringLiteral("x.org"));
    QTRY_COMPARE(form.lvResult->topLevelItemCount(), 0);
    QTRY_VERIFY(form.labState->text().startsWith(QStringLiteral("没有找到")));

    // The search's own connection is let go for the restore, and opened again after.
    RestoreFrom(backup);
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from IE")), 3);
    form.edtSearch->setText(QStringLiteral("x.or"));
    QTRY_COMPARE(form.lvResult->topLevelItemCount(), 1);
    QCOMPARE(form.Shown().urls.first().address, QStringLiteral("x.org"));

    // Likewise when the file is encrypted anew with a password: the search reads on with it.
    DbAccess->ChangeKey(DbKey::fromPassword(QStringLiteral("密码pw")));
    form.edtSearch->setText(QStringLiteral("x.o"));
    QTRY_COMPARE(form.Shown().text, QStringLiteral("x.o"));
    QVERIFY2(form.Shown().error.isEmpty(), qPrintable(form.Shown().error));
    QCOMPARE(form.Shown().urls.size(), 1);
}

void TestSearch::windowOpensOnce()
{
    TestEnv env;
    seedWorld();
    TFormMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.NSearchAll1->text(), QStringLiteral("搜索全部…"));
    QCOMPARE(window.NSearchAll2->text(), QStringLiteral("搜索全部…"));
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(window.FormSearch);
    TFormSearch* form = window.FormSearch;
    QTRY_VERIFY(form->isVisible());
    QVERIFY(!form->isModal());
    QCOMPARE(form->windowTitle(), QStringLiteral("搜索全部"));
    window.NSearchAll2->trigger();
    window.NSearchAll1->trigger();
    QCOMPARE(window.findChildren<TFormSearch*>().size(), 1);

    // Results as the user types, grouped by kind.
    QTest::keyClicks(form->edtSearch, QStringLiteral("report"));
    QTRY_COMPARE(form->lvResult->topLevelItemCount(), 3);
    QStringList groups;
    for (int i = 0; i < 3; ++i) {
        groups << form->lvResult->topLevelItem(i)->text(0);
    }
    QCOMPARE(groups, (QStringList{"笔记（1 条）", "网址（1 条）", "提醒（1 条）"}));
    QCOMPARE(resultRow(form, 0, 0)->text(0), QStringLiteral("根目录    Weekly REPORT 本周完成 it's done"));
    QCOMPARE(resultRow(form, 1, 0)->text(0),
             QStringLiteral("示例 Title    https://example.com/Report    备注 100%    〔全部->收藏〕"));
    QCOMPARE(resultRow(form, 2, 0)->text(0), QStringLiteral("2024-03-20 10:00:00    交周报 REPORT"));

    form->edtSearch->setText(QStringLiteral("它"));
    QTRY_COMPARE(form->labState->text(), QStringLiteral("没有找到“它”。"));
    QCOMPARE(form->lvResult->topLevelItemCount(), 0);
    form->edtSearch->setText(QString(SearchAll::kMaxText + 1, u'x'));
    QTRY_COMPARE(form->labState->text(), QStringLiteral("要查找的文字太长，最多 1000 个字符。"));
}

void TestSearch::chooseShowsInTab()
{
    TestEnv env;
    seedWorld();
    // The match far down a long note, so that it must be scrolled to.
    QString longNote;
    for (int i = 0; i < 400; ++i) {
        longNote += QStringLiteral("第 %1 行\n").arg(i);
    }
    addNote(1, longNote + QStringLiteral("目标Word在这里"));
    TFormMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.NSearchAll1->trigger();
    TFormSearch* form = window.FormSearch;

    form->edtSearch->setText(QStringLiteral("WORD"));
    QTRY_COMPARE(form->Shown().text, QStringLiteral("WORD"));
    emit form->lvResult->itemActivated(resultRow(form, 0, 0), 0);
    QCOMPARE(window.pgc1->currentWidget(), static_cast<QWidget*>(window.ts2));
    QCOMPARE(window.NoteTypeTree->CurrentIndex(), 1);
    QCOMPARE(window.ts2->mmoNote->textCursor().selectedText(), QStringLiteral("Word"));
    QCOMPARE(window.ts2->edtQuery->text(), QStringLiteral("WORD")); // "查找" goes on from there
    QVERIFY(window.ts2->mmoNote->verticalScrollBar()->value() > 0);

    // An address: its group selected, its row current; the sort order stays.
    form->edtSearch->setText(QStringLiteral("Title"));
    QTRY_COMPARE(form->Shown().text, QStringLiteral("Title"));
    emit form->lvResult->itemActivated(resultRow(form, 0, 0), 0);
    QCOMPARE(window.pgc1->currentWidget(), static_cast<QWidget*>(window.ts1));
    QCOMPARE(window.IETypeTree->CurrentIndex(), 1);
    UrlsTab* urls = window.ts1;
    QCOMPARE(urls->GridRows->text(urls->DBGrid1->currentIndex().row(), QStringLiteral("网址")),
             QStringLiteral("https://example.com/Report"));

    // An address whose group is gone is shown under "全部".
    form->edtSearch->setText(QStringLiteral("x.org"));
    QTRY_COMPARE(form->Shown().text, QStringLiteral("x.org"));
    emit form->lvResult->itemActivated(resultRow(form, 0, 0), 0);
    QCOMPARE(window.IETypeTree->Selected(), window.IETypeTree->Root());
    QCOMPARE(urls->GridRows->text(urls->DBGrid1->currentIndex().row(), QStringLiteral("网址")),
             QStringLiteral("x.org"));

    // A reminder not due today: the list turns to "全部提醒" to show it.
    form->edtSearch->setText(QStringLiteral("交周报"));
    QTRY_COMPARE(form->Shown().text, QStringLiteral("交周报"));
    QCOMPARE(form->lvResult->topLevelItemCount(), 1);
    QCOMPARE(form->lvResult->topLevelItem(0)->text(0), QStringLiteral("提醒（1 条）"));
    emit form->lvResult->itemActivated(resultRow(form, 0, 0), 0);
    QCOMPARE(window.pgc1->currentWidget(), static_cast<QWidget*>(window.ts3));
    QVERIFY(window.ts3->rbAll->isChecked());
    QCOMPARE(window.ts3->lv1->currentItem()->text(2), QStringLiteral("交周报 REPORT"));
    QVERIFY(env.messages.boxes().isEmpty());
}

void TestSearch::chosenThenGone()
{
    TestEnv env;
    seedWorld();
    TFormMain window;
    window.show();
    window.NSearchAll1->trigger();
    TFormSearch* form = window.FormSearch;
    form->edtSearch->setText(QStringLiteral("report"));
    QTRY_COMPARE(form->lvResult->topLevelItemCount(), 3);
    ExecSQL(QStringLiteral("delete from IE"));
    ExecSQL(QStringLiteral("delete from Alam"));
    emit form->lvResult->itemActivated(resultRow(form, 1, 0), 0);
    emit form->lvResult->itemActivated(resultRow(form, 2, 0), 0);
    QCOMPARE(env.messages.texts(), (QStringList{"该网址已不存在！", "该提醒已不存在！"}));
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
