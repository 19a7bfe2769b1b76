// The note store and the notes tab: every keystroke reaches the database, the
// note follows the selection, groups take their notes with them, date keys and
// the search.
#include "ModalPoller.h"
#include "TestEnv.h"
#include "base/ExceptionHandler.h"
#include "base/LatinCaseless.h"
#include "frame/TFormMain.h"
#include "groups/TZentTree.h"
#include "notes/NotesTab.h"
#include "store/DbConnection.h"
#include "store/TDbAccess.h"
#include "store/TNote.h"
#include "urls/UrlsTab.h"
#include "widgets/NoteBox.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// What another connection sees: committed text only, as after a killed program.
QString storedNote(const TestEnv& env, int group)
{
    DbConnection other;
    other.open(env.dbPath());
    return other.scalar(
        QStringLiteral("select count(*) || ':' || coalesce(ReMark,'') from NoteBook where TypeID=%1").arg(group));
}

// The root group's note, stored before the tab shows it.
void storeRootNote(const QString& text)
{
    NoteStore.TypeID = 0;
    NoteStore.ReMark = text;
    NoteStore.AddNote();
}

// The main window's notes tab over groups A (1, note "aaa") and B (2, no note).
struct NotesFixture
{
    NotesFixture()
    {
        ExecSQL(QStringLiteral("insert into NoteType values (1,0,'A')@#@insert into NoteType values (2,0,'B')"));
        NoteStore.TypeID = 1;
        NoteStore.ReMark = QStringLiteral("aaa");
        NoteStore.AddNote();
        window.show();
        tab = window.ts2;
    }
    QTreeWidgetItem* group(const QString& name) const
    {
        return tab->tvNote->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    TFormMain window;
    NotesTab* tab = nullptr;
};

} // namespace

class TestNotes : public QObject
{
    Q_OBJECT

private slots:
    void storeRoundTrip();
    void startShowsRootNote();
    void startShowsTheWindowBeforeLoading();
    void longUnbrokenRunsWrapAnywhere_data();
    void longUnbrokenRunsWrapAnywhere();
    void typingReachesTheDatabase();
    void keyboardSelectionNeverCrossesNotes();
    void typingAfterAnotherProgramWrote();
    void deletingGroupTakesItsNote();
    void newGroupStartsEmpty();
    void dateKeysAreWritten();
    void search_data();
    void search();
    void failedLoadBlocksWriting();
};

void TestNotes::storeRoundTrip()
{
    TestEnv env;
    const QString text = QStringLiteral("'single' \"double\" %s\r\nline\n") + QString(5000, QChar(0x8BB0));
    QVERIFY(!NoteStore.HasNote(QStringLiteral("0")));
    NoteStore.TypeID = 0;
    NoteStore.ReMark = text;
    NoteStore.AddNote();
    QVERIFY(NoteStore.HasNote(QStringLiteral("0")));
    NoteStore.ReMark.clear();
    NoteStore.LoadNote(QStringLiteral("0"));
    QCOMPARE(NoteStore.ReMark, text);
    NoteStore.ReMark = QString();
    NoteStore.SaveNote();
    QCOMPARE(storedNote(env, 0), QStringLiteral("1:"));
    // A row gone from under the store is written anew, never lost.
    NoteStore.DeleteNote(QStringLiteral("0"));
    NoteStore.ReMark = QStringLiteral("kept");
    NoteStore.SaveNote();
    QCOMPARE(storedNote(env, 0), QStringLiteral("1:kept"));
    NoteStore.DeleteNote(QStringLiteral("42"));
    ExecSQL(QStringLiteral("insert into NoteBook values (5, NULL)"));
    NoteStore.LoadNote(QStringLiteral("5"));
    QCOMPARE(NoteStore.ReMark, QString());
    QCOMPARE(NoteStore.TypeID, 5);
}

void TestNotes::startShowsRootNote()
{
    TestEnv env;
    storeRootNote(QStringLiteral("root note"));
    NotesFixture f;
    QCOMPARE(f.tab->tvNote->currentItem(), f.tab->tvNote->topLevelItem(0));
    QCOMPARE(f.tab->mmoNote->toPlainText(), QStringLiteral("root note"));
    // Shown again with the root still selected (as after a restore): read anew.
    DbConnection other;
    other.open(env.dbPath());
    other.exec(QStringLiteral("update NoteBook set ReMark='restored' where TypeID=0"));
    f.tab->ShowRootNote();
    QCOMPARE(f.tab->mmoNote->toPlainText(), QStringLiteral("restored"));
    QVERIFY(!f.tab->mmoNote->isReadOnly());
    QVERIFY(env.messages.boxes().isEmpty());
}

void TestNotes::startShowsTheWindowBeforeLoading()
{
    TestEnv env;
    storeRootNote(QStringLiteral("root note"));
    TFormMain window;
    QSignalSpy loaded(&window, &TFormMain::viewsLoaded);
    window.ShowThenLoad();
    QVERIFY(window.isVisible());
    QVERIFY(!window.ViewsLoaded());
    // Typed before the stored note is there, a key would be written nowhere.
    QVERIFY(window.ts2->mmoNote->isReadOnly());
    QTest::keyClicks(window.ts2->mmoNote, QStringLiteral("early"));
    QVERIFY(window.ts2->mmoNote->toPlainText().isEmpty());
    QVERIFY(loaded.wait());
    QVERIFY(window.ViewsLoaded());
    QCOMPARE(window.ts2->mmoNote->toPlainText(), QStringLiteral("root note"));
    QVERIFY(!window.ts2->mmoNote->isReadOnly());
    window.ts2->mmoNote->moveCursor(QTextCursor::End);
    QTest::keyClick(window.ts2->mmoNote, Qt::Key_X);
    QCOMPARE(storedNote(env, 0), QStringLiteral("1:root notex"));
    QCOMPARE(window.ts1->tvIE->topLevelItemCount(), 1);
    QCOMPARE(loaded.count(), 1);
    QVERIFY(env.messages.boxes().isEmpty());
}

void TestNotes::longUnbrokenRunsWrapAnywhere_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("anywhere");
    const qsizetype limit = NoteBox::kLongestWordWrappedRun;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("run at the limit") << QString(limit, QLatin1Char('x')) << false;
    QTest::newRow("run past the limit") << QString(limit + 1, QLatin1Char('x')) << true;
    QTest::newRow("long text of short words") << QStringLiteral("abc def\n").repeated(5000) << false;
    QTest::newRow("long Chinese text") << QString(50000, QChar(0x8BB0)) << false;
    QTest::newRow("blob after words") << QStringLiteral("see: ") + QString(3000, QLatin1Char('7')) << true;
    QTest::newRow("broken by a tab") << QString(1500, QLatin1Char('a')) + QLatin1Char('\t') +
                                            QString(1500, QLatin1Char('a'))
                                     << false;
}

void TestNotes::longUnbrokenRunsWrapAnywhere()
{
    QFETCH(QString, text);
    QFETCH(bool, anywhere);
    QCOMPARE(NoteBox::HasLongUnbrokenRun(text), anywhere);
    const auto expected = anywhere ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;

    TestEnv env;
    storeRootNote(text);
    NotesFixture f;
    QCOMPARE(f.tab->mmoNote->toPlainText(), text);
    QCOMPARE(f.tab->mmoNote->wordWrapMode(), expected);
    // Pasted into a note of short words, the run changes how the box wraps, and it is stored whole.
    f.tab->tvNote->setCurrentItem(f.group(QStringLiteral("A")));
    QCOMPARE(f.tab->mmoNote->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    f.tab->mmoNote->moveCursor(QTextCursor::End);
    QApplication::clipboard()->setText(text);
    f.tab->mmoNote->paste();
    QCOMPARE(f.tab->mmoNote->wordWrapMode(), expected);
    QCOMPARE(storedNote(env, 1), (text.isEmpty() ? QStringLiteral("1:aaa") : QStringLiteral("1:aaa") + text));
}

void TestNotes::typingReachesTheDatabase()
{
    TestEnv env;
    NotesFixture f;
    f.tab->tvNote->setCurrentItem(f.group(QStringLiteral("B")));
    QTest::keyClicks(f.tab->mmoNote, QStringLiteral("  "));
    QTest::keyClick(f.tab->mmoNote, Qt::Key_Return);
    QCOMPARE(storedNote(env, 2), QStringLiteral("0:"));
    QTest::keyClick(f.tab->mmoNote, Qt::Key_X);
    QCOMPARE(storedNote(env, 2), QStringLiteral("1:  \nx"));
    QTest::keyClicks(f.tab->mmoNote, QStringLiteral("yz"));
    QCOMPARE(storedNote(env, 2), QStringLiteral("1:  \nxyz"));
    f.tab->mmoNote->selectAll();
    QTest::keyClick(f.tab->mmoNote, Qt::Key_Delete);
    QCOMPARE(storedNote(env, 2), QStringLiteral("1:"));
    QCOMPARE(storedNote(env, 1), QStringLiteral("1:aaa"));
    QVERIFY(env.messages.boxes().isEmpty());
}

void TestNotes::keyboardSelectionNeverCrossesNotes()
{
    TestEnv env;
    NotesFixture f;
    f.tab->tvNote->setFocus();
    f.tab->tvNote->setCurrentItem(f.group(QStringLiteral("A")));
    QCOMPARE(f.tab->mmoNote->toPlainText(), QStringLiteral("aaa"));
    QTest::keyClick(f.tab->tvNote, Qt::Key_Down);
    QCOMPARE(f.tab->tvNote->currentItem(), f.group(QStringLiteral("B")));
    QCOMPARE(f.tab->mmoNote->toPlainText(), QString());
    QTest::keyClick(f.tab->mmoNote, Qt::Key_B);
    QTest::keyClick(f.tab->tvNote, Qt::Key_Up);
    QCOMPARE(f.tab->mmoNote->toPlainText(), QStringLiteral("aaa"));
    QCOMPARE(storedNote(env, 1), QStringLiteral("1:aaa"));
    QCOMPARE(storedNote(env, 2), QStringLiteral("1:b"));
}

// The tab remembers what it stored last instead of reading it back at every
// keystroke: a change from elsewhere must still be seen.
void TestNotes::typingAfterAnotherProgramWrote()
{
    TestEnv env;
    NotesFixture f;
    f.tab->tvNote->setCurrentItem(f.group(QStringLiteral("A")));
    f.tab->mmoNote->moveCursor(QTextCursor::End);
    QTest::keyClick(f.tab->mmoNote, Qt::Key_B);
    QCOMPARE(storedNote(env, 1), QStringLiteral("1:aaab"));
    {
        DbConnection other;
        other.open(env.dbPath());
        other.exec(QStringLiteral("update NoteBook set ReMark='zzz' where TypeID=1"));
    }
    // The last letter typed over by itself: the box's text is what the tab wrote last.
    QTextCursor last = f.tab->mmoNote->textCursor();
    last.movePosition(QTextCursor::End);
    last.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor);
    f.tab->mmoNote->setTextCursor(last);
    QTest::keyClick(f.tab->mmoNote, Qt::Key_B);
    QCOMPARE(f.tab->mmoNote->toPlainText(), QStringLiteral("aaab"));
    QCOMPARE(storedNote(env, 1), QStringLiteral("1:aaab"));
}

void TestNotes::deletingGroupTakesItsNote()
{
    TestEnv env;
    NotesFixture f;
    f.tab->tvNote->setCurrentItem(f.group(QStringLiteral("A")));
    f.tab->NDelNoteType->trigger(); // answered No
    QCOMPARE(storedNote(env, 1), QStringLiteral("1:aaa"));
    QVERIFY(f.group(QStringLiteral("A")));

    env.messages.answer(true);
    f.tab->NDelNoteType->trigger();
    QVERIFY(!f.group(QStringLiteral("A")));
    QCOMPARE(storedNote(env, 1), QStringLiteral("0:"));
    // The box shows the note of whatever group is selected now.
    QTreeWidgetItem* now = f.tab->tvNote->currentItem();
    QVERIFY(now);
    QCOMPARE(f.tab->mmoNote->toPlainText(), TZentTree::SelfIndexOf(now) == 1 ? QStringLiteral("aaa") : QString());
}

void TestNotes::newGroupStartsEmpty()
{
    TestEnv env;
    NotesFixture f;
    f.tab->tvNote->setCurrentItem(f.group(QStringLiteral("A")));
    env.messages.answer(true);
    f.tab->NDelNoteType->trigger();
    f.tab->tvNote->setCurrentItem(f.tab->tvNote->topLevelItem(0));
    ModalPoller poller([](QDialog* d) {
        QTest::keyClicks(d->findChild<QLineEdit*>(QStringLiteral("edtName")), QStringLiteral("C"));
        QTest::keyClick(d, Qt::Key_Return);
    });
    f.tab->NAddNoteType->trigger();
    QVERIFY(poller.handled());
    QCOMPARE(f.tab->tvNote->currentItem()->text(0), QStringLiteral("C"));
    // Group 1 was deleted; the new group takes number 3 here, but even number 1
    // reused would find no note left behind.
    QCOMPARE(f.tab->mmoNote->toPlainText(), QString());
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from NoteBook")), 0);
}

void TestNotes::dateKeysAreWritten()
{
    TestEnv env(true, QDateTime(QDate(2024, 3, 15), QTime(8, 5, 9)));
    NotesFixture f;
    f.tab->tvNote->setCurrentItem(f.group(QStringLiteral("A")));
    QTextCursor c = f.tab->mmoNote->textCursor();
    c.setPosition(1);
    c.setPosition(2, QTextCursor::KeepAnchor);
    f.tab->mmoNote->setTextCursor(c);
    QTest::keyClick(f.tab->mmoNote, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(storedNote(env, 1), QStringLiteral("1:a2024-03-15a"));
    QTest::keyClick(f.tab->mmoNote, Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(storedNote(env, 1), QStringLiteral("1:a2024-03-152024-03-15 08:05:09a"));
}

void TestNotes::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<int>("foundAt"); // -1: caret back at the start
    QTest::newRow("latin in any case") << "xx ABC abc"
                                       << "abc" << 0 << 0 << 3;
    QTest::newRow("next after the selection") << "xx ABC abc"
                                              << "abc" << 3 << 3 << 7;
    QTest::newRow("after the last: back to start") << "xx ABC abc"
                                                   << "abc" << 7 << 3 << -1;
    QTest::newRow("caret inside a word") << "abcabc"
                                         << "abc" << 1 << 0 << 3;
    QTest::newRow("chinese only exactly") << "记事本 记事"
                                          << "事本" << 0 << 0 << 1;
    QTest::newRow("no case folding beyond latin") << "ÄÖ äö"
                                                  << "äö" << 0 << 0 << 3;
    QTest::newRow("trailing blank must follow") << "ab abc ab x"
                                                << "ab " << 1 << 0 << 7;
    QTest::newRow("empty query") << "abc"
                                 << "" << 2 << 0 << -1;
    QTest::newRow("not found") << "abc"
                               << "z" << 1 << 1 << -1;
}

void TestNotes::search()
{
    QFETCH(QString, text);
    QFETCH(QString, query);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(int, foundAt);
    TestEnv env;
    NotesFixture f;
    f.tab->tvNote->setCurrentItem(f.group(QStringLiteral("B")));
    f.tab->mmoNote->setPlainText(text);
    QTextCursor c = f.tab->mmoNote->textCursor();
    c.setPosition(selStart);
    c.setPosition(selStart + selLength, QTextCursor::KeepAnchor);
    f.tab->mmoNote->setTextCursor(c);
    f.tab->edtQuery->setText(query);
    f.tab->btn2->click();
    const QTextCursor after = f.tab->mmoNote->textCursor();
    if (foundAt < 0) {
        QCOMPARE(after.position(), 0);
        QVERIFY(!after.hasSelection());
    } else {
        QCOMPARE(after.selectionStart(), foundAt);
        QCOMPARE(after.selectionEnd(), foundAt + static_cast<int>(query.size()));
        QCOMPARE(f.window.focusWidget(), f.tab->mmoNote);
    }
}

void TestNotes::failedLoadBlocksWriting()
{
    TestEnv env;
    NotesFixture f;
    f.tab->tvNote->setCurrentItem(f.group(QStringLiteral("A")));
    ExecSQL(QStringLiteral("alter table NoteBook rename to Gone"));
    f.tab->tvNote->setCurrentItem(f.group(QStringLiteral("B")));
    QCOMPARE(env.messages.boxes().size(), 1);
    QVERIFY(env.messages.boxes().first().text.startsWith(QStringLiteral("数据库查询错误，请检查！")));
    // A's text is not left on show for B, and nothing typed goes anywhere.
    QCOMPARE(f.tab->mmoNote->toPlainText(), QString());
    QVERIFY(f.tab->mmoNote->isReadOnly());
    ExecSQL(QStringLiteral("alter table Gone rename to NoteBook"));
    QTest::keyClick(f.tab->mmoNote, Qt::Key_Z);
    QCOMPARE(storedNote(env, 2), QStringLiteral("0:"));
    QCOMPARE(storedNote(env, 1), QStringLiteral("1:aaa"));
}

QTEST_MAIN(TestNotes)
#include "tst_notes.moc"
