#include "UrlsTab.h"

#include "BookmarkCommands.h"
#include "TFormAddIE.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "base/Messages.h"
#include "base/ShellOpen.h"
#include "groups/TZentTree.h"
#include "store/TDbAccess.h"
#include "store/TIE.h"
#include "widgets/ListFill.h"
#include "widgets/Menus.h"
#include "widgets/ResultSetModel.h"
#include "widgets/TZentDBGrid.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

UrlsTab::UrlsTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ts1"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    spl1 = new QSplitter(Qt::Horizontal, this);
    spl1->setObjectName(QStringLiteral("spl1"));
    spl1->setHandleWidth(3);
    spl1->setChildrenCollapsible(false);
    layout->addWidget(spl1);

    pnl2 = new QWidget(spl1);
    pnl2->setObjectName(QStringLiteral("pnl2"));
    auto* left = new QVBoxLayout(pnl2);
    left->setContentsMargins(0, 0, 0, 0);
    tvIE = new QTreeWidget(pnl2);
    tvIE->setObjectName(QStringLiteral("tvIE"));
    tvIE->setIndentation(19);
    tvIE->setContextMenuPolicy(Qt::CustomContextMenu);
    left->addWidget(tvIE);

    pnl3 = new QWidget(spl1);
    pnl3->setObjectName(QStringLiteral("pnl3"));
    auto* right = new QVBoxLayout(pnl3);
    right->setContentsMargins(0, 0, 0, 0);
    DBGrid1 = new TZentDBGrid(pnl3);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGridEvenColor(QColor(255, 251, 240));
    DBGrid1->setToolTip(QStringLiteral("点右键可以新建、修改和删除网址"));
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    right->addWidget(DBGrid1);

    spl1->addWidget(pnl2);
    spl1->addWidget(pnl3);
    spl1->setStretchFactor(1, 1);
    spl1->setSizes({200, 584});

    pmIEType = new QMenu(this);
    pmIEType->setObjectName(QStringLiteral("pmIEType"));
    NAddIEType = AddNamedAction(pmIEType, "NAddIEType", QStringLiteral("新建组"));
    NModIeType = AddNamedAction(pmIEType, "NModIeType", QStringLiteral("重命名组"));
    NDelIEType = AddNamedAction(pmIEType, "NDelIEType", QStringLiteral("删除组"));
    pmIEType->addSeparator()->setObjectName(QStringLiteral("N4"));
    N5 = AddNamedAction(pmIEType, "N5", QStringLiteral("新建网址"));
    pmIEType->addSeparator();
    NImportIE = AddNamedAction(pmIEType, "NImportIE", QStringLiteral("导入书签…"));
    NExportIE = AddNamedAction(pmIEType, "NExportIE", QStringLiteral("导出书签…"));
    pmIE = new QMenu(this);
    pmIE->setObjectName(QStringLiteral("pmIE"));
    N1 = AddNamedAction(pmIE, "N1", QStringLiteral("新建"));
    N2 = AddNamedAction(pmIE, "N2", QStringLiteral("修改"));
    N3 = AddNamedAction(pmIE, "N3", QStringLiteral("删除"));
    pmIE->addSeparator()->setObjectName(QStringLiteral("N6"));
    N8 = AddNamedAction(pmIE, "N8", QStringLiteral("打开网页"));

    connect(tvIE, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmIEType->popup(tvIE->viewport()->mapToGlobal(pos)); });
    connect(DBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmIE->popup(DBGrid1->viewport()->mapToGlobal(pos)); });
    // Only a click refills the grid; moving the selection with the keys does not.
    connect(tvIE, &QTreeWidget::itemClicked, this, guard([this] { tvIEClick(); }));
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, guard([this] { N8Click(); }));
    connect(NAddIEType, &QAction::triggered, this, guard([this] { NAddIETypeClick(); }));
    connect(NModIeType, &QAction::triggered, this, guard([this] { NModIeTypeClick(); }));
    connect(NDelIEType, &QAction::triggered, this, guard([this] { NDelIETypeClick(); }));
    connect(N5, &QAction::triggered, this, guard([this] { N5Click(); }));
    connect(N1, &QAction::triggered, this, guard([this] { N5Click(); }));
    connect(NImportIE, &QAction::triggered, this, guard([this] { ImportBookmarksCommand(*this); }));
    connect(NExportIE, &QAction::triggered, this, guard([this] { ExportBookmarksCommand(*this); }));
    connect(N2, &QAction::triggered, this, guard([this] { N2Click(); }));
    connect(N3, &QAction::triggered, this, guard([this] { N3Click(); }));
    connect(N8, &QAction::triggered, this, guard([this] { N8Click(); }));
}

void UrlsTab::setTree(TZentTree* tree)
{
    IETypeTree = tree;
}

void UrlsTab::ShowAll()
{
    FillGrid(0);
}

int UrlsTab::SelectedGroup() const
{
    return IETypeTree->CurrentIndex();
}

QString UrlsTab::SelectedGroupName() const
{
    QTreeWidgetItem* node = IETypeTree->Selected();
    return node && node != IETypeTree->Root() ? node->text(0) : QStringLiteral("全部");
}

void UrlsTab::FillGrid(int group)
{
    IEStore.FillGrid(group);
    // The grid shows the database's grid rows; bound once, or again after the
    // database object changed.
    if (!GridRows || GridRows->rows() != &DbAccess->GridQuery) {
        ResultSetModel* old = GridRows;
        GridRows = new ResultSetModel(&DbAccess->GridQuery, this);
        DBGrid1->setModel(GridRows);
        delete old;
    }
    FitColumns(DBGrid1);
    DBGrid1->setColumnHidden(0, true);
}

void UrlsTab::keepingOrder(const std::function<void()>& refill)
{
    const QString order = GridRows ? GridRows->sortOrder() : QString();
    const int row = currentRow();
    const QString id = row >= 0 ? cell(row, QStringLiteral("ID")) : QString();
    const int column = std::max(DBGrid1->currentIndex().column(), 1);
    refill();
    if (!GridRows) {
        return;
    }
    if (!order.isEmpty()) {
        DBGrid1->SetSortOrder(order);
    }
    const int found = id.isEmpty() ? -1 : GridRows->findRow(QStringLiteral("ID"), id);
    if (found >= 0) {
        DBGrid1->setCurrentIndex(GridRows->index(found, column));
    }
}

int UrlsTab::currentRow() const
{
    const int rows = GridRows ? GridRows->rowCount() : 0;
    if (rows == 0) {
        return -1;
    }
    const int row = DBGrid1->currentIndex().row();
    return row >= 0 && row < rows ? row : 0;
}

QString UrlsTab::cell(int row, const QString& field) const
{
    return GridRows ? GridRows->text(row, field) : QString();
}

void UrlsTab::tvIEClick()
{
    if (IETypeTree->Selected()) {
        FillGrid(SelectedGroup());
    }
}

void UrlsTab::NAddIETypeClick()
{
    if (IETypeTree->AddGroupDlg()) {
        FillGrid(IETypeTree->CurrentIndex());
    }
}

void UrlsTab::NModIeTypeClick()
{
    IETypeTree->RenameInPlace();
}

void UrlsTab::NDelIETypeClick()
{
    if (!IETypeTree->Selected()) {
        return;
    }
    // Its addresses go with it: the question says how many.
    const int count = IEStore.CountByType(SelectedGroup());
    const QString name = IETypeTree->Selected()->text(0);
    keepingOrder([&] {
        IETypeTree->DeleteGroup(
            count > 0 ? QStringLiteral("确定要删除 %1 分组及其中的 %2 个网址吗？").arg(name).arg(count) : QString());
        tvIEClick();
    });
}

void UrlsTab::N5Click()
{
    if (ShowAddIEDlg(SelectedGroup(), SelectedGroupName()) == mrOk) {
        keepingOrder([] { DbAccess->RefreshGrid(); });
    }
}

void UrlsTab::N2Click()
{
    const int row = currentRow();
    if (row < 0) {
        return;
    }
    if (ShowModIEDlg(cell(row, QStringLiteral("ID"))) == mrOk) {
        keepingOrder([] { DbAccess->RefreshGrid(); });
    }
}

void UrlsTab::N3Click()
{
    const int row = currentRow();
    if (row < 0) {
        return;
    }
    const QString id = cell(row, QStringLiteral("ID"));
    const QString title = cell(row, QStringLiteral("标题"));
    if (AskConfirm(QStringLiteral("确实要删除：＂") + title + QStringLiteral("＂吗?"))) {
        keepingOrder([&] { IEStore.DeleteIE(id); });
    }
}

void UrlsTab::N8Click()
{
    const int row = currentRow();
    if (row < 0) {
        return;
    }
    const QString address = cell(row, QStringLiteral("网址"));
    if (!address.trimmed().isEmpty()) {
        ShellOpen(window(), address);
    }
}

void UrlsTab::ShowFound(int group, const QString& id)
{
    QTreeWidgetItem* node = IETypeTree->Root();
    for (QTreeWidgetItemIterator it(tvIE); *it && group != 0; ++it) {
        if (TZentTree::SelfIndexOf(*it) == group) {
            node = *it;
            break;
        }
    }
    // Shown in the order the user chose.
    const QString order = GridRows ? GridRows->sortOrder() : QString();
    auto findRow = [this, &id, &order] {
        if (!order.isEmpty()) {
            DBGrid1->SetSortOrder(order);
        }
        return GridRows ? GridRows->findRow(QStringLiteral("ID"), id) : -1;
    };
    for (QTreeWidgetItem* up = node->parent(); up; up = up->parent()) {
        up->setExpanded(true);
    }
    tvIE->setCurrentItem(node);
    tvIE->scrollToItem(node);
    FillGrid(TZentTree::SelfIndexOf(node));
    int row = findRow();
    if (row < 0 && node != IETypeTree->Root()) {
        // Moved to another group since the search.
        tvIE->setCurrentItem(IETypeTree->Root());
        FillGrid(0);
        row = findRow();
    }
    if (row < 0) {
        throw EAppError(QStringLiteral("该网址已不存在！"));
    }
    const QModelIndex cell = GridRows->index(row, 1);
    DBGrid1->setCurrentIndex(cell);
    DBGrid1->scrollTo(cell, QAbstractItemView::PositionAtCenter);
    DBGrid1->setFocus();
}
