#include "ListFill.h"

#include "ResultSetModel.h"
#include "TDbAccess.h"

#include <QHeaderView>
#include <QTableView>
#include <QTreeWidget>

void FillListView(const QString& statement, QTreeWidget* list, bool rebuildColumns)
{
    list->clear();
    DbAccess->OpenQuery(statement);
    ResultSet& rows = DbAccess->Query;
    const int fields = rows.fieldCount();
    if (rebuildColumns) {
        QStringList titles;
        for (int c = 0; c < fields; ++c) {
            titles << rows.field(c).name;
        }
        list->setColumnCount(fields);
        list->setHeaderLabels(titles);
        for (int c = 0; c < fields; ++c) {
            list->setColumnWidth(c, 80);
        }
    }
    list->setUpdatesEnabled(false);
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.recordCount());
    for (int r = 0; r < rows.recordCount(); ++r) {
        auto* item = new QTreeWidgetItem;
        for (int c = 0; c < fields; ++c) {
            item->setText(c, rows.textAt(r, c));
        }
        items.append(item);
    }
    list->addTopLevelItems(items);
    list->setUpdatesEnabled(true);
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
    for (int c = 0; c < fields; ++c) {
        grid->setColumnWidth(c, width[static_cast<size_t>(c)]);
    }
}
