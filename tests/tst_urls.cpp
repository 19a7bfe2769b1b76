// Saved web addresses: the store and its grid, the striped sortable grid, the
// button edit, the editors with the clipboard rule and the group picker, and
// the tab's commands.
#include "ModalPoller.h"
#include "Seed.h"
#include "TestEnv.h"
#include "frame/TFormMain.h"
#include "groups/TFormAddType.h"
#include "groups/TZentTree.h"
#include "store/SqlText.h"
#include "store/TDbAccess.h"
#include "store/TIE.h"
#include "urls/TFormAddIE.h"
#include "urls/TFormViewIEType.h"
#include "urls/UrlsTab.h"
#include "widgets/TZentDBGrid.h"
#include "widgets/TZentEdtBut.h"

#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// The grid's titles of the visible columns, and one column's texts.
QStringList titles(QTableView* grid)
{
    QStringList out;
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        if (!grid->isColumnHidden(c)) {
            out << grid->model()->headerData(c, Qt::Horizontal).toString();
        }
    }
    return out;
}

QStringList column(QTableView* grid, int c)
{
    QStringList out;
    for (int r = 0; r < grid->model()->rowCount(); ++r) {
        out << grid->model()->index(r, c).data().toString();
    }
    return out;
}

QString storedUrls()
{
    DbAccess->OpenQuery(QStringLiteral("select TypeID || ':' || IEUrl || ':' || IEName || ':' || ReMark from IE"));
    QStringList out;
    for (ResultSet& q = DbAccess->Query; !q.eof(); q.next()) {
        out << q.value(0).toString();
    }
    return out.join(QLatin1Char('|'));
}

} // namespace

class TestUrls : public QObject
{
    Q_OBJECT

private slots:
    void fillGridByGroup();
    void deleteByTypeRemovesExactlyItsAddresses();
    void titleClickSorts();
    void stripesFollowTheOrder();
    void buttonEdit();
    void clipboardRule_data();
    void clipboardRule();
    void saveAndContinue();
    void textsStayAsTyped();
    void modifyKeepsUnknownGroupNumber();
    void pickerChoosesAndCreates();
    void tabCommands();
    void openAddress();
    void pickerGroupShowsInTabAtOnce();
    void longTitleTakesHalfTheGrid();
    void sortOrderSurvivesChanges();
    void addSaysWhereSaved();
    void groupDeleteQuestionCounts();
};

void TestUrls::fillGridByGroup()
{
    TestEnv env;
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("A"));
    addGroup(QStringLiteral("IEType"), 2, 1, QStringLiteral("A1"));
    addUrl(0, "root.example", "root");
    addUrl(1, "a.example", "a", "two\nlines");
    addUrl(2, "a1.example", "a1");
    addUrl(99, "gone.example", "vanished group");
    UrlsTab tab;
    TZentDBGrid& grid = *tab.DBGrid1;
    tab.FillGrid(0);
    QCOMPARE(titles(&grid), (QStringList{"标题", "备注", "网址"}));
    QCOMPARE(column(&grid, 1), (QStringList{"root", "a", "a1", "vanished group"}));
    tab.FillGrid(1);
    QCOMPARE(column(&grid, 1), QStringList{"a"});
    QCOMPARE(column(&grid, 2), QStringList{"two\nlines"});
    tab.FillGrid(7);
    QCOMPARE(grid.model()->rowCount(), 0);
    QCOMPARE(titles(&grid), (QStringList{"标题", "备注", "网址"}));

    IEStore.LoadIE(QStringLiteral("4"));
    QCOMPARE(IEStore.TypeID, 99);
    QCOMPARE(IEStore.TypeName, QString());
    IEStore.LoadIE(QStringLiteral("2"));
    QCOMPARE(IEStore.TypeName, QStringLiteral("A"));
    QCOMPARE(IEStore.ReMark, QStringLiteral("two\nlines"));
}

void TestUrls::deleteByTypeRemovesExactlyItsAddresses()
{
    TestEnv env;
    addUrl(1, "a", "a");
    addUrl(2, "b", "b");
    addUrl(1, "c", "c");
    UrlsTab tab;
    TZentDBGrid& grid = *tab.DBGrid1;
    tab.FillGrid(0);
    grid.setColumnWidth(1, 123);
    IEStore.DeleteByType(QStringLiteral("1"));
    QCOMPARE(storedUrls(), QStringLiteral("2:b:b:"));
    // The grid re-ran its statement and kept its columns.
    QCOMPARE(column(&grid, 1), QStringList{"b"});
    QVERIFY(grid.isColumnHidden(0));
    QCOMPARE(grid.columnWidth(1), 123);
}

void TestUrls::titleClickSorts()
{
    TestEnv env;
    addUrl(0, "u2", "beta");
    addUrl(0, "u1", "Alpha");
    addUrl(0, "u3", "gamma");
    UrlsTab tab;
    TZentDBGrid& grid = *tab.DBGrid1;
    tab.FillGrid(0);
    const ResultSet& rows = DbAccess->GridQuery;
    struct Step
    {
        int column;
        QString sort;
        QStringList titles;
        QStringList order;
    };
    const QList<Step> steps = {
        {1, "标题", {"▲标题", "备注", "网址"}, {"Alpha", "beta", "gamma"}},
        {1, "标题 DESC", {"▼标题", "备注", "网址"}, {"gamma", "beta", "Alpha"}},
        {1, "标题 ", {"▲标题", "备注", "网址"}, {"Alpha", "beta", "gamma"}},
        {3, "网址", {"标题", "备注", "▲网址"}, {"Alpha", "beta", "gamma"}},
        {3, "网址 DESC", {"标题", "备注", "▼网址"}, {"gamma", "beta", "Alpha"}},
    };
    for (const Step& step : steps) {
        grid.horizontalHeader()->sectionClicked(step.column);
        QCOMPARE(rows.sortOrder(), step.sort);
        QCOMPARE(titles(&grid), step.titles);
        QCOMPARE(column(&grid, 1), step.order);
    }
    // Opening the query again brings its own order and unmarked titles.
    tab.FillGrid(0);
    QCOMPARE(titles(&grid), (QStringList{"标题", "备注", "网址"}));
    QCOMPARE(column(&grid, 1), (QStringList{"beta", "Alpha", "gamma"}));
}

void TestUrls::stripesFollowTheOrder()
{
    TestEnv env;
    addUrl(0, "u1", "c");
    addUrl(0, "u2", "a");
    addUrl(0, "u3", "b");
    UrlsTab tab;
    TZentDBGrid& grid = *tab.DBGrid1;
    grid.resize(400, 200);
    tab.FillGrid(0);
    auto sampleRows = [&grid] {
        grid.clearSelection();
        grid.setCurrentIndex(QModelIndex());
        const QImage image = grid.viewport()->grab().toImage();
        QList<QColor> colours;
        for (int r = 0; r < 3; ++r) {
            const QRect cell = grid.visualRect(grid.model()->index(r, 3));
            colours << image.pixelColor(cell.right() - 3, cell.center().y());
        }
        return colours;
    };
    const QList<QColor> stripes{grid.GridOddColor, QColor(255, 251, 240), grid.GridOddColor};
    QCOMPARE(sampleRows(), stripes);
    grid.TitleClick(1);
    QCOMPARE(column(&grid, 1), (QStringList{"a", "b", "c"}));
    QCOMPARE(sampleRows(), stripes);
}

void TestUrls::buttonEdit()
{
    TestEnv env;
    QWidget host;
    auto* edit = new TZentEdtBut(&host);
    edit->setReadOnly(true);
    edit->setText(QStringLiteral("组"));
    edit->resize(200, 22);
    host.show();
    const int side = edit->button()->width();
    QCOMPARE(edit->button()->height(), side);
    QCOMPARE(edit->textMargins().right(), side);
    QCOMPARE(edit->button()->geometry().right(), edit->width() - 1 - (edit->hasFrame() ? 2 : 0));
    edit->setButVisible(false);
    QCOMPARE(edit->textMargins().right(), 0);
    QVERIFY(!edit->button()->isVisible());
    edit->setButVisible(true);
    edit->resize(300, 30);
    QCOMPARE(edit->button()->width(), edit->button()->height());
    QCOMPARE(edit->textMargins().right(), edit->button()->width());
    QVERIFY(edit->button()->geometry().right() >= 300 - 3);
    edit->setButtonBmp(TZentEdtBut::ZentFind);
    QCOMPARE(edit->button()->icon().pixmap(10, 10).toImage(),
             TZentEdtBut::GetButtonGlyph(TZentEdtBut::ZentFind).pixmap(10, 10).toImage());
    int clicks = 0;
    QObject* sender = nullptr;
    connect(edit, &TZentEdtBut::OnButClick, this, [&](QObject* s) {
        ++clicks;
        sender = s;
    });
    edit->button()->click();
    QCOMPARE(clicks, 1);
    QCOMPARE(sender, edit);
    QCOMPARE(host.focusWidget(), edit);
    QCOMPARE(edit->text(), QStringLiteral("组"));
    QCOMPARE(edit->button()->focusPolicy(), Qt::NoFocus);
}

void TestUrls::clipboardRule_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("taken");
    QTest::newRow(".cn inside a sentence") << "text"
                                           << "请看 site.cn 的说明\n第二行"
                                           << "请看 site.cn 的说明\n第二行";
    QTest::newRow("www with blanks") << "text"
                                     << "  www.example.org "
                                     << "  www.example.org ";
    QTest::newRow("http") << "text"
                          << "http://x"
                          << "http://x";
    QTest::newRow(".gov") << "text"
                          << "data.gov"
                          << "data.gov";
    QTest::newRow("capital hints refused") << "text"
                                           << "WWW.EXAMPLE.COM"
                                           << "";
    QTest::newRow("no hint") << "text"
                             << "just words"
                             << "";
    QTest::newRow("an image") << "image"
                              << ""
                              << "";
    QTest::newRow("nothing") << "none"
                             << ""
                             << "";
}

void TestUrls::clipboardRule()
{
    QFETCH(QString, kind);
    QFETCH(QString, content);
    QFETCH(QString, taken);
    TestEnv env;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (kind == QLatin1String("text")) {
        clipboard->setText(content);
    } else if (kind == QLatin1String("image")) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        clipboard->setImage(image);
    } else {
        clipboard->clear();
    }
    QString shown;
    ModalPoller poller([&](QDialog* d) {
        auto* dlg = qobject_cast<TFormAddIE*>(d);
        shown = dlg->edtIE->text();
        QCOMPARE(dlg->EdtGoup->text(), QStringLiteral("A"));
        QCOMPARE(dlg->GroupIndex, 1);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("新建网址"));
    });
    ShowAddIEDlg(1, QStringLiteral("A"));
    QVERIFY(poller.handled());
    QCOMPARE(shown, taken);
}

void TestUrls::saveAndContinue()
{
    TestEnv env;
    QGuiApplication::clipboard()->clear();
    int result = 0;
    ModalPoller poller([](QDialog* d) {
        auto* dlg = qobject_cast<TFormAddIE*>(d);
        QVERIFY(!dlg->chk1->isChecked());
        dlg->chk1->setChecked(true);
        dlg->edtIE->setText(QStringLiteral("   "));
        dlg->btnOK->click(); // refused: blanks only
        for (const char* url : {" www.one.example", "two'@#@"}) {
            dlg->edtIE->setText(QString::fromUtf8(url));
            dlg->edtName->setText(QStringLiteral("t"));
            dlg->mmoRemark->setPlainText(QStringLiteral("r\nr"));
            dlg->btnOK->click();
            QVERIFY(dlg->isVisible());
            QVERIFY(dlg->edtIE->text().isEmpty() && dlg->edtName->text().isEmpty());
            QVERIFY(dlg->mmoRemark->toPlainText().isEmpty());
            QCOMPARE(dlg->EdtGoup->text(), QStringLiteral("B"));
            QVERIFY(dlg->chk1->isChecked());
        }
        dlg->btnCancel->click();
    });
    result = ShowAddIEDlg(2, QStringLiteral("B"));
    QCOMPARE(result, int(mrCancel));
    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral("网址不能为空！")});
    QCOMPARE(storedUrls(), QStringLiteral("2: www.one.example:t:r\nr|2:two'@#@:t:r\nr"));
}

void TestUrls::textsStayAsTyped()
{
    TestEnv env;
    // A no-break space and a line separator, and a title longer than a line box's
    // usual limit: all stored exactly.
    const QString remark =
        QStringLiteral("a") + QChar(0x00A0) + QStringLiteral("b") + QChar(0x2028) + QStringLiteral("c\nd");
    const QString title = QString(40000, QLatin1Char('t'));
    ModalPoller poller([&](QDialog* d) {
        auto* dlg = qobject_cast<TFormAddIE*>(d);
        dlg->edtIE->setText(QStringLiteral("u.example"));
        dlg->edtName->setText(title);
        dlg->mmoRemark->setPlainText(remark);
        dlg->btnOK->click();
    });
    QCOMPARE(ShowAddIEDlg(0, QStringLiteral("全部")), int(mrOk));
    IEStore.LoadIE(QString::number(QueryInt(QStringLiteral("select max(ID) from IE"))));
    QCOMPARE(IEStore.IEName, title);
    QCOMPARE(IEStore.ReMark, remark);
}

void TestUrls::modifyKeepsUnknownGroupNumber()
{
    TestEnv env;
    const qint64 id = addUrl(99, "old.example", "old", "r");
    ModalPoller poller([](QDialog* d) {
        auto* dlg = qobject_cast<TFormModIE*>(d);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("修改网址"));
        QCOMPARE(dlg->EdtGoup->text(), QStringLiteral("全部"));
        QCOMPARE(dlg->GroupIndex, 99);
        QCOMPARE(dlg->edtIE->text(), QStringLiteral("old.example"));
        dlg->edtName->setText(QStringLiteral("new"));
        dlg->btnOK->click();
    });
    QCOMPARE(ShowModIEDlg(QString::number(id)), int(mrOk));
    QCOMPARE(storedUrls(), QStringLiteral("99:old.example:new:r"));
}

void TestUrls::pickerChoosesAndCreates()
{
    TestEnv env;
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("A"));
    // The root gives 0 and "全部".
    ModalPoller root([](QDialog* d) {
        auto* dlg = qobject_cast<TFormViewIEType*>(d);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("选择组"));
        dlg->btnOK->click();
        QVERIFY(dlg->isVisible()); // nothing selected yet
        dlg->tv1->setCurrentItem(dlg->tv1->topLevelItem(0));
        dlg->btnOK->click();
    });
    PickedGroup picked = ShowViewIETypeDlg();
    QCOMPARE(picked.result, int(mrOk));
    QCOMPARE(picked.number, 0);
    QCOMPARE(picked.name, QStringLiteral("全部"));

    // A group made here is stored at once, not selected, and numbered past the table.
    ModalPoller create([](QDialog* d) {
        auto* dlg = qobject_cast<TFormViewIEType*>(d);
        dlg->tv1->setCurrentItem(dlg->tv1->topLevelItem(0)->child(0));
        ModalPoller name([](QDialog* n) {
            qobject_cast<TFormAddType*>(n)->edtName->setText(QStringLiteral("A-child"));
            qobject_cast<TFormAddType*>(n)->btnOK->click();
        });
        dlg->btn1->click();
        QCOMPARE(dlg->tv1->currentItem()->text(0), QStringLiteral("A"));
        QVERIFY(dlg->tv1->currentItem()->isExpanded());
        dlg->btnCancel->click();
    });
    QCOMPARE(ShowViewIETypeDlg().result, int(mrCancel));
    QCOMPARE(QueryInt(QStringLiteral("select SelfIndex from IEType where TypeName='A-child'")), 2);
    QCOMPARE(QueryInt(QStringLiteral("select ParentIndex from IEType where TypeName='A-child'")), 1);
}

void TestUrls::tabCommands()
{
    TestEnv env;
    QGuiApplication::clipboard()->clear();
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("A"));
    addGroup(QStringLiteral("IEType"), 2, 0, QStringLiteral("B"));
    addUrl(1, "a.example", "a");
    addUrl(2, "b.example", "b");
    addUrl(0, "root.example", "");
    TFormMain window;
    window.show();
    UrlsTab* tab = window.ts1;
    QCOMPARE(tab->DBGrid1->model()->rowCount(), 3);

    // New address with nothing selected: group "全部", number 0.
    ModalPoller add([](QDialog* d) {
        auto* dlg = qobject_cast<TFormAddIE*>(d);
        QCOMPARE(dlg->EdtGoup->text(), QStringLiteral("全部"));
        QCOMPARE(dlg->GroupIndex, 0);
        dlg->edtIE->setText(QStringLiteral("new.example"));
        dlg->btnOK->click();
    });
    tab->N5->trigger();
    QCOMPARE(tab->DBGrid1->model()->rowCount(), 4);

    // A click on a group lists its addresses only.
    QTreeWidgetItem* a = tab->tvIE->topLevelItem(0)->child(0);
    tab->tvIE->setCurrentItem(a);
    emit tab->tvIE->itemClicked(a, 0);
    QCOMPARE(column(tab->DBGrid1, 1), QStringList{"a"});

    // The delete question names the title between full-width marks.
    tab->FillGrid(0);
    tab->DBGrid1->setCurrentIndex(tab->DBGrid1->model()->index(2, 1));
    tab->N3->trigger();
    QCOMPARE(env.messages.texts().last(), QStringLiteral("确实要删除：＂＂吗?"));
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from IE")), 4);

    // Deleting group A takes its addresses along.
    tab->tvIE->setCurrentItem(a);
    env.messages.answer(true);
    tab->NDelIEType->trigger();
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from IE where TypeID=1")), 0);
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from IE")), 3);
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from IEType")), 1);
}

void TestUrls::openAddress()
{
    TestEnv env;
    addUrl(0, "  www.example.com  ", "with blanks");
    addUrl(0, "   ", "blank");
    TFormMain window;
    window.show();
    TZentDBGrid* grid = window.ts1->DBGrid1;
    grid->setCurrentIndex(grid->model()->index(1, 1));
    emit grid->doubleClicked(grid->currentIndex());
    QVERIFY(env.opened.isEmpty());
    grid->setCurrentIndex(grid->model()->index(0, 1));
    window.ts1->N8->trigger();
    QCOMPARE(env.opened.size(), 1);
    QCOMPARE(env.opened.first().toString(), QStringLiteral("http://www.example.com"));
}

void TestUrls::pickerGroupShowsInTabAtOnce()
{
    TestEnv env;
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("A"));
    TFormMain window;
    window.show();
    QTreeWidget* tab = window.ts1->tvIE;
    QTreeWidgetItem* a = tab->topLevelItem(0)->child(0);
    tab->setCurrentItem(a);
    // A picker opened later loads the group from the table, not twice.
    TFormViewIEType later;

    // Through the editor's group box, as the user makes one.
    ModalPoller add([](QDialog* d) {
        auto* editor = qobject_cast<TFormAddIE*>(d);
        ModalPoller picker([](QDialog* p) {
            auto* dlg = qobject_cast<TFormViewIEType*>(p);
            dlg->tv1->setCurrentItem(dlg->tv1->topLevelItem(0)->child(0));
            ModalPoller name([](QDialog* n) {
                qobject_cast<TFormAddType*>(n)->edtName->setText(QStringLiteral("A-child"));
                qobject_cast<TFormAddType*>(n)->btnOK->click();
            });
            dlg->btn1->click();
            dlg->btnCancel->click();
        });
        editor->EdtGoupButClick();
        editor->btnCancel->click();
    });
    window.ts1->N5->trigger();
    QCOMPARE(a->childCount(), 1);
    QCOMPARE(a->child(0)->text(0), QStringLiteral("A-child"));
    QCOMPARE(TZentTree::SelfIndexOf(a->child(0)), 2);
    QCOMPARE(tab->currentItem(), a); // the tab's selection stays
    later.show();
    QCOMPARE(later.tv1->topLevelItem(0)->child(0)->childCount(), 1);
}

void TestUrls::longTitleTakesHalfTheGrid()
{
    TestEnv env;
    addUrl(0, "https://example.com/" + QString(300, u'p'), QString(400, u'长'), "remark");
    UrlsTab tab;
    TZentDBGrid& grid = *tab.DBGrid1;
    tab.resize(800, 400);
    tab.show();
    tab.FillGrid(0);
    const int half = grid.viewport()->width() / 2;
    QCOMPARE(grid.columnWidth(1), half);
    QCOMPARE(grid.columnWidth(3), half);
    QVERIFY(grid.columnWidth(2) < half); // a short remark keeps its own width
    // A wider grid gives the column more room; a width the user chose stays.
    tab.resize(1200, 400);
    QTRY_COMPARE(grid.columnWidth(1), grid.viewport()->width() / 2);
    grid.setColumnWidth(3, 900);
    tab.resize(1000, 400);
    QTRY_COMPARE(grid.columnWidth(1), grid.viewport()->width() / 2);
    QCOMPARE(grid.columnWidth(3), 900);
}

void TestUrls::sortOrderSurvivesChanges()
{
    TestEnv env;
    QGuiApplication::clipboard()->clear();
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("A"));
    addUrl(0, "u2", "beta");
    addUrl(0, "u1", "Alpha");
    addUrl(0, "u3", "gamma");
    addGroup(QStringLiteral("IEType"), 2, 0, QStringLiteral("B"));
    TFormMain window;
    window.show();
    UrlsTab* tab = window.ts1;
    TZentDBGrid* grid = tab->DBGrid1;
    grid->TitleClick(1);
    grid->TitleClick(1); // descending
    auto rowOf = [&](const QString& title) { return static_cast<int>(column(grid, 1).indexOf(title)); };

    struct Change
    {
        const char* what;
        std::function<void()> run;
        QStringList order;
        QString current; // the title of the current row afterwards
    };
    const QList<Change> changes = {
        {"add",
         [&] {
             ModalPoller add([](QDialog* d) {
                 auto* dlg = qobject_cast<TFormAddIE*>(d);
                 dlg->edtIE->setText(QStringLiteral("u4"));
                 dlg->edtName->setText(QStringLiteral("delta"));
                 dlg->btnOK->click();
             });
             tab->N1->trigger();
         },
         {"gamma", "delta", "beta", "Alpha"},
         "gamma"},
        {"edit",
         [&] {
             grid->setCurrentIndex(grid->model()->index(rowOf("beta"), 1));
             ModalPoller edit([](QDialog* d) {
                 auto* dlg = qobject_cast<TFormModIE*>(d);
                 dlg->edtName->setText(QStringLiteral("epsilon"));
                 dlg->btnOK->click();
             });
             tab->N2->trigger();
         },
         {"gamma", "epsilon", "delta", "Alpha"},
         "epsilon"},
        {"delete",
         [&] {
             grid->setCurrentIndex(grid->model()->index(rowOf("delta"), 1));
             env.messages.answer(true);
             tab->N3->trigger();
         },
         {"gamma", "epsilon", "Alpha"},
         ""},
    };
    for (const Change& change : changes) {
        change.run();
        QVERIFY2(column(grid, 1) == change.order, change.what);
        QCOMPARE(titles(grid), (QStringList{"▼标题", "备注", "网址"}));
        // The address that was current stays so, wherever the order puts it.
        if (!change.current.isEmpty()) {
            QCOMPARE(column(grid, 1).value(grid->currentIndex().row()), change.current);
        }
    }
    // Deleting a group shows its neighbour in the same order.
    tab->tvIE->setCurrentItem(tab->tvIE->topLevelItem(0)->child(1));
    env.messages.answer(true);
    tab->NDelIEType->trigger();
    QCOMPARE(titles(grid), (QStringList{"▼标题", "备注", "网址"}));
    tab->tvIE->setCurrentItem(tab->tvIE->topLevelItem(0));
    emit tab->tvIE->itemClicked(tab->tvIE->topLevelItem(0), 0);
    // And a title click goes on from the kept order.
    grid->TitleClick(1);
    QCOMPARE(column(grid, 1), (QStringList{"Alpha", "epsilon", "gamma"}));
}

void TestUrls::addSaysWhereSaved()
{
    TestEnv env;
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("工作"));
    addUrl(1, "https://example.com/", "in a group");
    addUrl(0, "https://twice.example", "at the root");
    addUrl(1, "https://twice.example", "and in a group");
    addUrl(7, "gone.example", "group gone");
    TFormAddIE dlg;
    struct Case
    {
        QString typed;
        QString said;
    };
    const QList<Case> cases = {
        {"https://example.com/", "该网址已经保存在＂工作＂组中"},
        {"  https://example.com  ", "该网址已经保存在＂工作＂组中"}, // blanks and the last "/" do not count
        {"https://twice.example/", "该网址已经保存在＂全部＂、＂工作＂组中"},
        {"gone.example", "该网址已经保存在＂全部＂组中"},
        {"https://EXAMPLE.com/", ""},
        {"https://example.com/a", ""},
        {"   ", ""},
    };
    for (const Case& c : cases) {
        dlg.edtIE->setText(c.typed);
        QVERIFY(dlg.labSaved->text().isEmpty()); // cleared at once, looked up after the pause
        QTRY_COMPARE(dlg.labSaved->text(), c.said);
    }
    // It never asks: typing a saved address opens no box.
    QVERIFY(env.messages.boxes().isEmpty());
    // Saving and going on empties the box, and the line with it.
    dlg.edtIE->setText(QStringLiteral("https://example.com"));
    dlg.CheckSaved();
    QVERIFY(!dlg.labSaved->text().isEmpty());
    dlg.chk1->setChecked(true);
    dlg.btnOK->click();
    QCOMPARE(dlg.labSaved->text(), QString());
}

void TestUrls::groupDeleteQuestionCounts()
{
    TestEnv env;
    addGroup(QStringLiteral("IEType"), 1, 0, QStringLiteral("工作"));
    addGroup(QStringLiteral("IEType"), 2, 0, QStringLiteral("空组"));
    addUrl(1, "a.example", "a");
    addUrl(1, "b.example", "b");
    addUrl(0, "root.example", "root");
    TFormMain window;
    window.show();
    UrlsTab* tab = window.ts1;
    QTreeWidgetItem* root = tab->tvIE->topLevelItem(0);
    tab->tvIE->setCurrentItem(root->child(0));
    tab->NDelIEType->trigger(); // answered No
    tab->tvIE->setCurrentItem(root->child(1));
    tab->NDelIEType->trigger();
    QCOMPARE(env.messages.texts(),
             (QStringList{"确定要删除 工作 分组及其中的 2 个网址吗？", "确定要删除 空组 分组吗？"}));
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from IE")), 3);
}

QTEST_MAIN(TestUrls)
#include "tst_urls.moc"
