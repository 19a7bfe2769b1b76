#pragma once

#include <QColor>
#include <QHash>
#include <QTableView>

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

    void setModel(QAbstractItemModel* model) override;

private:
    void rememberColumns();
    void restoreColumns();

    // Widths and hidden columns survive a re-run of the same query.
    QStringList m_columnNames;
    QHash<QString, int> m_widths;
    QHash<QString, bool> m_hidden;
};
