#include "ListFill.h"

#include "ResultSetModel.h"
#include "TZentDBGrid.h"
#include "store/ResultSet.h"
#include "store/TDbAccess.h"

#include <QHeaderView>
#include <QTableView>
#include <QTreeWidget>

void FillListView(const ListRows& rows, QTreeWidget* list, bool rebuildColumns)
{
    list->clear();
    if (rebuildColumns) {
        list->setColumnCount(static_cast<int>(rows.titles.size()));
        list->setHeaderLabels(rows.titles);
        for (int c = 0; c < rows.titles.size(); ++c) {
            list->setColumnWidth(c, 80);
        }
    }
    list->setUpdatesEnabled(false);
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.rows.size());
    for (const QStringList& texts : rows.rows) {
        items.append(new QTreeWidgetItem(texts));
    }
    list->addTopLevelItems(items);
    list->setUpdatesEnabled(true);
}

void FillListView(const QString& statement, QTreeWidget* list, bool rebuildColumns)
{
    list->clear(); // a failed query leaves the list empty, not stale
    FillListView(DbAccess->ListQuery(statement), list, rebuildColumns);
}

void FitColumns(QTableView* grid)
{
    auto* model = grid ? qobject_cast<ResultSetModel*>(grid->model()) : nullptr;
    if (!model || !model->rows()->isOpen()) {
        return;
    }
    ResultSet& rows = *model->rows();
    const QFontMetrics metrics = grid->fontMetrics();
    const int fields = rows.fieldCount();
    std::vector<int> width(static_cast<size_t>(fields));
    for (int c = 0; c < fields; ++c) {
        width[static_cast<size_t>(c)] = metrics.horizontalAdvance(rows.field(c).name) + 24;
    }
    const int remembered = rows.recNo();
    const int measured = std::min(rows.recordCount(), 50);
    for (int r = 0; r < measured; ++r) {
        for (int c = 0; c < fields; ++c) {
            const int w = metrics.horizontalAdvance(rows.textAt(r, c)) + 4;
            width[static_cast<size_t>(c)] = std::max(width[static_cast<size_t>(c)], w);
        }
    }
    rows.setRecNo(remembered);
    if (auto* zent = qobject_cast<TZentDBGrid*>(grid)) {
        zent->SetFittedWidths(width);
        return;
    }
    for (int c = 0; c < fields; ++c) {
        grid->setColumnWidth(c, width[static_cast<size_t>(c)]);
    }
}
