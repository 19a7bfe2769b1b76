#pragma once

#include <QColor>
#include <QHash>
#include <QTableView>
#include <vector>

class ResultSetModel;

// A read-only grid over a result set: rows striped by record number, coloured
// grid lines, the current row highlighted, and a click on a column title sorting
// the loaded rows (▲ ascending, ▼ descending) without running the query again.
class TZentDBGrid : public QTableView
{
    Q_OBJECT

public:
    explicit TZentDBGrid(QWidget* parent = nullptr);

    QColor GridOddColor;
    QColor GridEvenColor;
    QColor GriddingRowColor;
    QColor GriddingColColor;

    void setGridOddColor(const QColor& c);
    void setGridEvenColor(const QColor& c);
    void setGriddingRowColor(const QColor& c);
    void setGriddingColColor(const QColor& c);

    // The title-click sort on a column.
    void TitleClick(int column);
    // Puts the rows in an order as a title click would have ("f" or "f DESC"),
    // arrow included: a refill keeps the order the user chose.
    void SetSortOrder(const QString& order);
    // Widths that fit the columns' texts. None is shown wider than half the grid,
    // now or when the grid is resized, unless the user widens it.
    void SetFittedWidths(const std::vector<int>& widths);

    void setModel(QAbstractItemModel* model) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyFittedWidths();
    void rememberColumns();
    void restoreColumns();

    // Widths and hidden columns survive a re-run of the same query.
    QStringList m_columnNames;
    QHash<QString, int> m_widths;
    QHash<QString, bool> m_hidden;
    std::vector<int> m_fitted;  // what each column's texts want
    std::vector<int> m_applied; // what was set for them, so that a user's own width stays
};
