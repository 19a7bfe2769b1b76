#pragma once

#include "store/ListRows.h"

#include <QString>

class QTableView;
class QTreeWidget;

// Fills a report-style list from a query: the first field is each row's caption,
// the others its further columns. Unless asked, the list keeps its own columns.
void FillListView(const QString& statement, QTreeWidget* list, bool rebuildColumns);
void FillListView(const ListRows& rows, QTreeWidget* list, bool rebuildColumns);

// Sizes a grid's columns to their titles and to the texts of the first 50 rows.
void FitColumns(QTableView* grid);
