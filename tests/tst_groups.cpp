// Group trees and the new-group dialog: loading, numbering, names, rename in
// place, deletion with its checks, and the dialog's own rules.
#include "ModalPoller.h"
#include "Seed.h"
#include "TestEnv.h"
#include "base/Clock.h"
#include "base/ExceptionHandler.h"
#include "groups/TFormAddType.h"
#include "groups/TZentTree.h"
#include "store/SqlText.h"
#include "store/TDbAccess.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// A tree over a fresh NoteType table holding the given rows (self, parent, name).
struct Fixture
{
    explicit Fixture(std::initializer_list<std::tuple<int, int, const char*>> rows,
                     const QString& caption = QStringLiteral("根目录"))
    {
        for (const auto& [self, parent, name] : rows) {
            addGroup(QStringLiteral("NoteType"), self, parent, QString::fromUtf8(name));
        }
        tree = new TZentTree(&view, caption, QStringLiteral("NoteType"), TZentTree::FolderImages());
        tree->LoadTree();
    }
    QTreeWidgetItem* find(const QString& name) const
    {
        const auto items = view.findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        return items.isEmpty() ? nullptr : items.first();
    }
    void select(const QString& name)
    {
        view.setCurrentItem(find(name));
    }
    // (self, parent, name) of every table row, by number.
    QStringList rows() const
    {
        DbAccess->OpenQuery(QStringLiteral("select SelfIndex,ParentIndex,TypeName from NoteType order by SelfIndex"));
        QStringList out;
        for (ResultSet& q = DbAccess->Query; !q.eof(); q.next()) {
            out << QStringLiteral("%1/%2/%3")
                       .arg(q.textAt(q.recNo(), 0), q.textAt(q.recNo(), 1), q.textAt(q.recNo(), 2));
        }
        return out;
    }
    QTreeWidget view;
    TZentTree* tree = nullptr;
};

qint64 changes()
{
    return QueryInt(QStringLiteral("select total_changes()"));
}

} // namespace

class TestGroups : public QObject
{
    Q_OBJECT

private slots:
    void loadPlacesEveryRow();
    void numbering();
    void namesMustBeUniqueAcrossTheTree();
    void renameInPlace();
    void deleteChecks_data();
    void deleteChecks();
    void deleteRemovesGroupAndChildRowsTogether();
    void deleteTakesWhatTheGroupHolds_data();
    void deleteTakesWhatTheGroupHolds();
    void addGroupDialogFromTree();
    void addTypeDialogRules();
    void dateKeysInName();
};

void TestGroups::loadPlacesEveryRow()
{
    TestEnv env;
    Fixture f({{0, 0, "phantom"}, {1, 0, "A"}, {2, 1, "B"}, {5, 99, "orphan"}, {3, 2, "C"}});
    QTreeWidgetItem* root = f.view.topLevelItem(0);
    QCOMPARE(f.view.topLevelItemCount(), 1);
    QCOMPARE(root->text(0), QStringLiteral("根目录"));
    QVERIFY(root->isExpanded());
    QCOMPARE(root->childCount(), 2);
    QCOMPARE(root->child(0)->text(0), QStringLiteral("A"));
    QCOMPARE(root->child(1)->text(0), QStringLiteral("orphan"));
    QCOMPARE(f.find(QStringLiteral("C"))->parent(), f.find(QStringLiteral("B")));
    QVERIFY(!f.find(QStringLiteral("phantom")));
    QVERIFY(!f.tree->Selected());
    QCOMPARE(f.tree->CurrentIndex(), 0);
    QCOMPARE(f.tree->MaxIndex(), 5);
    f.select(QStringLiteral("C"));
    QCOMPARE(f.tree->SelectedPath(), QStringLiteral("根目录->A->B->C"));
    f.select(QStringLiteral("根目录"));
    QCOMPARE(f.tree->SelectedPath(), QStringLiteral("根目录"));
}

void TestGroups::numbering()
{
    TestEnv env;
    {
        Fixture empty({});
        QCOMPARE(empty.tree->MaxIndex(), 0);
        empty.select(QStringLiteral("根目录"));
        empty.tree->AddGroup(QStringLiteral("first"));
        QCOMPARE(empty.rows(), QStringList{QStringLiteral("1/0/first")});
        ExecSQL(QStringLiteral("delete from NoteType"));
    }
    Fixture f({{1, 0, "one"}, {2, 0, "two"}, {7, 2, "seven"}});
    f.select(QStringLiteral("one"));
    QTreeWidgetItem* eight = f.tree->AddGroup(QStringLiteral("sub of one"));
    QCOMPARE(TZentTree::SelfIndexOf(eight), 8);
    QCOMPARE(TZentTree::ParentIndexOf(eight), 1);
    QCOMPARE(eight->parent(), f.find(QStringLiteral("one")));
    QCOMPARE(f.view.currentItem(), f.find(QStringLiteral("one")));

    // The largest number, once deleted, is taken again.
    f.select(QStringLiteral("sub of one"));
    env.messages.answer(true);
    f.tree->DeleteGroup();
    f.select(QStringLiteral("two"));
    QCOMPARE(TZentTree::SelfIndexOf(f.tree->AddGroup(QStringLiteral("again"))), 8);

    // A number some other tree of the table has used is not.
    ExecSQL(QStringLiteral("insert into NoteType values (20,0,'elsewhere')"));
    QCOMPARE(TZentTree::SelfIndexOf(f.tree->AddGroup(QStringLiteral("after"))), 21);
    // Nor is one that a note left without its group is still filed under: the
    // new group would show that note.
    ExecSQL(QStringLiteral("insert into NoteBook values (30, 'my bank PIN is 1234')"));
    QCOMPARE(TZentTree::SelfIndexOf(f.tree->AddGroup(QStringLiteral("fresh"))), 31);
}

void TestGroups::namesMustBeUniqueAcrossTheTree()
{
    TestEnv env;
    Fixture f({{1, 0, "A"}, {2, 1, "deep"}, {3, 0, "B"}});
    f.select(QStringLiteral("B"));
    const QStringList before = f.rows();
    for (const QString& taken : {QStringLiteral("根目录"), QStringLiteral("deep"), QStringLiteral("A")}) {
        Guarded([&] { f.tree->AddGroup(taken); });
        Guarded([&] { f.tree->RenameGroup(taken); });
    }
    QCOMPARE(env.messages.texts(), QStringList(6, QStringLiteral("该名称已经存在，请重新输入！")));
    QCOMPARE(f.rows(), before);
    QCOMPARE(f.find(QStringLiteral("B"))->text(0), QStringLiteral("B"));
    // Case and blanks count: these are new names.
    f.tree->AddGroup(QStringLiteral("a"));
    f.tree->AddGroup(QStringLiteral("A "));
    f.tree->AddGroup(QStringLiteral("a'b@#@c -- x"));
    QCOMPARE(f.rows().mid(3), (QStringList{"4/3/a", "5/3/A ", "6/3/a'b@#@c -- x"}));
}

void TestGroups::renameInPlace()
{
    TestEnv env;
    Fixture f({{1, 0, "A"}, {2, 0, "B"}});
    f.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.view));
    auto editTo = [&](const QString& text, int key) {
        f.tree->RenameInPlace();
        auto* editor = f.view.viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, static_cast<Qt::Key>(key));
        // The commit is reported through a posted call: deliver it now, however
        // slow the machine (a fixed wait was too short under load).
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        // And the closed editor goes, so that the next edit finds its own.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    f.select(QStringLiteral("A"));
    editTo(QStringLiteral("Alpha"), Qt::Key_Return);
    QCOMPARE(f.find(QStringLiteral("Alpha")), f.view.currentItem());
    QCOMPARE(f.rows(), (QStringList{"1/0/Alpha", "2/0/B"}));
    QVERIFY(!(f.view.currentItem()->flags() & Qt::ItemIsEditable));

    editTo(QStringLiteral("ignored"), Qt::Key_Escape);
    QCOMPARE(f.rows(), (QStringList{"1/0/Alpha", "2/0/B"}));

    const qint64 before = changes();
    editTo(QStringLiteral("Alpha"), Qt::Key_Return);
    QCOMPARE(changes(), before);

    editTo(QStringLiteral("B"), Qt::Key_Return);
    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral("该名称已经存在，请重新输入！")});
    QCOMPARE(f.view.currentItem()->text(0), QStringLiteral("Alpha"));

    // Not for the root, and not with nothing selected.
    f.select(QStringLiteral("根目录"));
    f.tree->RenameInPlace();
    QVERIFY(!f.view.viewport()->findChild<QLineEdit*>() || !f.view.viewport()->findChild<QLineEdit*>()->isVisible());
    f.view.setCurrentItem(nullptr);
    f.tree->RenameInPlace();
    QVERIFY(!f.view.viewport()->findChild<QLineEdit*>() || !f.view.viewport()->findChild<QLineEdit*>()->isVisible());
    // Renaming with nothing selected is refused and touches no row.
    Guarded([&] { f.tree->RenameGroup(QStringLiteral("nobody")); });
    QCOMPARE(env.messages.texts().last(), QStringLiteral("请选择要重命名的分组！"));
    QCOMPARE(f.rows(), (QStringList{"1/0/Alpha", "2/0/B"}));
}

void TestGroups::deleteChecks_data()
{
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing selected") << ""
                                      << "请选择要删除的分组！";
    QTest::newRow("root") << "根目录"
                          << "不能删除根分组！";
    QTest::newRow("has subgroups, collapsed") << "A"
                                              << "还有下级分组，不能删除该分组！";
    QTest::newRow("answered No") << "B"
                                 << "";
}

void TestGroups::deleteChecks()
{
    QFETCH(QString, select);
    QFETCH(QString, message);
    TestEnv env;
    Fixture f({{1, 0, "A"}, {2, 1, "A1"}, {3, 0, "B"}});
    f.find(QStringLiteral("A"))->setExpanded(false);
    if (!select.isEmpty()) {
        f.select(select);
    }
    const QStringList before = f.rows();
    Guarded([&] { f.tree->DeleteGroup(); });
    QCOMPARE(f.rows(), before);
    QCOMPARE(f.view.topLevelItem(0)->childCount(), 2);
    if (message.isEmpty()) {
        QCOMPARE(env.messages.boxes().size(), 1);
        QCOMPARE(env.messages.boxes().first().caption, QStringLiteral("确认"));
        QCOMPARE(env.messages.boxes().first().text, QStringLiteral("确定要删除 B 分组吗？"));
    } else {
        QCOMPARE(env.messages.texts(), QStringList{message});
        QCOMPARE(env.messages.boxes().first().caption, QStringLiteral("错误"));
    }
}

void TestGroups::deleteRemovesGroupAndChildRowsTogether()
{
    TestEnv env;
    Fixture f({{1, 0, "A"}, {2, 0, "B"}});
    // A subgroup this tree never loaded (made elsewhere after the load).
    ExecSQL(QStringLiteral("insert into NoteType values (3,2,'unseen')"));
    f.select(QStringLiteral("B"));
    env.messages.answer(true);
    f.tree->DeleteGroup();
    QCOMPARE(f.rows(), QStringList{QStringLiteral("1/0/A")});
    QVERIFY(!f.find(QStringLiteral("B")));
    // The tree's new selection is a real, selected group.
    QVERIFY(f.view.currentItem());
    QVERIFY(f.view.currentItem()->isSelected());
}

void TestGroups::deleteTakesWhatTheGroupHolds_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("records");
    QTest::newRow("notes") << "NoteType"
                           << "NoteBook";
    QTest::newRow("addresses") << "IEType"
                               << "IE";
}

void TestGroups::deleteTakesWhatTheGroupHolds()
{
    QFETCH(QString, table);
    QFETCH(QString, records);
    TestEnv env;
    addGroup(table, 1, 0, QStringLiteral("A"));
    addGroup(table, 2, 0, QStringLiteral("B"));
    const QString hold = records == QLatin1String("IE")
                             ? QStringLiteral("insert into IE(TypeID,IEUrl,IEName,ReMark) values (%1,'u','t','r')")
                             : QStringLiteral("insert into NoteBook values (%1,'text')");
    ExecSQL(hold.arg(1) + kBatchSeparator + hold.arg(2));
    QTreeWidget view;
    TZentTree tree(&view, QStringLiteral("root"), table, TZentTree::FolderImages());
    tree.LoadTree();
    auto count = [&](int group) {
        return QueryInt(QStringLiteral("select count(*) from %1 where TypeID=%2").arg(records).arg(group));
    };
    auto select = [&](const QString& name) {
        view.setCurrentItem(view.findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0));
    };

    // A failure while removing the records keeps the group too: all or nothing.
    ExecSQL(
        QStringLiteral("create trigger keep before delete on %1 begin select raise(abort,'kept'); end").arg(records));
    select(QStringLiteral("A"));
    env.messages.answer(true);
    Guarded([&] { tree.DeleteGroup(); });
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from %1").arg(table)), 2);
    QCOMPARE(count(1), 1);

    ExecSQL(QStringLiteral("drop trigger keep"));
    select(QStringLiteral("A"));
    env.messages.answer(true);
    tree.DeleteGroup();
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from %1").arg(table)), 1);
    QCOMPARE(count(1), 0);
    QCOMPARE(count(2), 1);
}

void TestGroups::addGroupDialogFromTree()
{
    TestEnv env;
    Fixture f({{1, 0, "A"}});
    {
        ModalPoller none([](QDialog*) {});
        QVERIFY(!f.tree->AddGroupDlg());
        QTest::qWait(30);
        QVERIFY(!none.handled());
    }

    f.select(QStringLiteral("A"));
    QString position;
    ModalPoller poller([&](QDialog* d) {
        auto* dlg = qobject_cast<TFormAddType*>(d);
        QVERIFY(dlg);
        position = dlg->edtPos->text();
        QCOMPARE(dlg->windowTitle(), QStringLiteral("新建组"));
        dlg->edtName->setText(QStringLiteral(" 子组"));
        QTest::keyClick(dlg->edtName, Qt::Key_Return);
    });
    QVERIFY(f.tree->AddGroupDlg());
    QVERIFY(poller.handled());
    QCOMPARE(position, QStringLiteral("根目录->A"));
    QCOMPARE(f.view.currentItem()->text(0), QStringLiteral(" 子组"));
    QCOMPARE(f.rows().last(), QStringLiteral("2/1/ 子组"));

    ModalPoller cancel([](QDialog* d) {
        QTest::keyClicks(d->findChild<QLineEdit*>(QStringLiteral("edtName")), QStringLiteral("x"));
        QTest::keyClick(d, Qt::Key_Escape);
    });
    QVERIFY(!f.tree->AddGroupDlg());
    QCOMPARE(f.rows().size(), 2);
}

void TestGroups::addTypeDialogRules()
{
    TestEnv env;
    struct Case
    {
        QString typed;
        int result;
        QString name;
        QStringList boxes;
    };
    const QList<Case> cases = {
        {QStringLiteral("   "), mrCancel, QString(), {QStringLiteral("名称不能为空!")}},
        {QStringLiteral("\t"), mrCancel, QString(), {QStringLiteral("名称不能为空!")}},
        {QStringLiteral(" lead"), mrOk, QStringLiteral(" lead"), {}},
    };
    for (const Case& c : cases) {
        env.messages.clear();
        bool stayedOpen = false;
        ModalPoller poller([&](QDialog* d) {
            auto* dlg = qobject_cast<TFormAddType*>(d);
            QVERIFY(dlg->edtPos->isReadOnly());
            // The name box has the focus once the dialog is the active window.
            QVERIFY(QTest::qWaitForWindowActive(dlg));
            QVERIFY(dlg->edtName->hasFocus());
            dlg->edtName->setText(c.typed);
            dlg->btnOK->click();
            stayedOpen = dlg->isVisible();
            if (stayedOpen) {
                QCOMPARE(dlg->edtName->text(), c.typed);
                dlg->btnCancel->click();
            }
        });
        const auto [result, name] = ShowAddTypeDlg(QStringLiteral("根目录"));
        QCOMPARE(result, c.result);
        QCOMPARE(name, c.name);
        QCOMPARE(env.messages.texts(), c.boxes);
        QCOMPARE(stayedOpen, c.result == mrCancel);
        if (!c.boxes.isEmpty()) {
            QCOMPARE(env.messages.boxes().first().caption, QStringLiteral("提示"));
        }
    }
}

void TestGroups::dateKeysInName()
{
    TestEnv env(true, QDateTime(QDate(2024, 3, 15), QTime(0, 0, 0)));
    TFormAddType dlg;
    QTest::keyClick(dlg.edtName, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(dlg.edtName->text(), QStringLiteral("2024-03-15"));
    // At exactly midnight Ctrl+T types the date alone.
    dlg.edtName->setText(QStringLiteral("ab"));
    dlg.edtName->setCursorPosition(1);
    QTest::keyClick(dlg.edtName, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(dlg.edtName->text(), QStringLiteral("a2024-03-15b"));
    Clock::advance(3723);
    dlg.edtName->setText(QStringLiteral("ab"));
    dlg.edtName->setCursorPosition(1);
    QTest::keyClick(dlg.edtName, Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(dlg.edtName->text(), QStringLiteral("a2024-03-15 01:02:03b"));
    QTest::keyClicks(dlg.edtPos, QStringLiteral("typed"));
    QCOMPARE(dlg.edtPos->text(), QString());
}

QTEST_MAIN(TestGroups)
#include "tst_groups.moc"
