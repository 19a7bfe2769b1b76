#include "TZentDBGrid.h"

#include "ResultSetModel.h"
#include "base/ExceptionHandler.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

class StripedCellDelegate : public QStyledItemDelegate
{
public:
    explicit StripedCellDelegate(TZentDBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid)
    {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        const bool selected = cell.state & QStyle::State_Selected;
        const bool focused = m_grid->hasFocus();
        // Record numbers count from 1: the first row has the odd colour.
        const int recordNumber = index.row() + 1;
        QColor background = recordNumber % 2 ? m_grid->GridOddColor : m_grid->GridEvenColor;
        QColor text = cell.palette.color(QPalette::Text);
        if (selected) {
            background = cell.palette.color(QPalette::Highlight);
            if (focused) {
                text = cell.palette.color(QPalette::HighlightedText);
            }
        }
        painter->save();
        painter->fillRect(cell.rect, background);
        painter->setPen(text);
        const QRect textRect = cell.rect.adjusted(2, 0, -2, 0);
        painter->setClipRect(cell.rect);
        // One line per cell: line breaks of a remark show as blanks.
        QString shown = cell.text;
        for (QChar& c : shown) {
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::LineSeparator) {
                c = QLatin1Char(' ');
            }
        }
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        painter->setPen(m_grid->GriddingRowColor);
        painter->drawLine(cell.rect.bottomLeft(), cell.rect.bottomRight());
        painter->setPen(m_grid->GriddingColColor);
        painter->drawLine(cell.rect.topRight(), cell.rect.bottomRight());
        painter->restore();
    }

private:
    TZentDBGrid* m_grid;
};

const QString kUp = QStringLiteral("▲");
const QString kDown = QStringLiteral("▼");

} // namespace

TZentDBGrid::TZentDBGrid(QWidget* parent)
    : QTableView(parent), GridOddColor(palette().color(QPalette::Base)), GridEvenColor(255, 251, 240),
      GriddingRowColor(166, 202, 240), GriddingColColor(166, 202, 240)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(false); // the cell painter draws the lines in their own colours
    setWordWrap(false);
    setTabKeyNavigation(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    setItemDelegate(new StripedCellDelegate(this));
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, guard([this](int column) { TitleClick(column); }));
}

void TZentDBGrid::setGridOddColor(const QColor& c)
{
    GridOddColor = c;
}

void TZentDBGrid::setGridEvenColor(const QColor& c)
{
    GridEvenColor = c;
}

void TZentDBGrid::setGriddingRowColor(const QColor& c)
{
    GriddingRowColor = c;
}

void TZentDBGrid::setGriddingColColor(const QColor& c)
{
    GriddingColColor = c;
}

void TZentDBGrid::setModel(QAbstractItemModel* model)
{
    if (QAbstractItemModel* old = this->model()) {
        disconnect(old, nullptr, this, nullptr);
    }
    QTableView::setModel(model);
    if (model) {
        connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &TZentDBGrid::rememberColumns);
        connect(model, &QAbstractItemModel::modelReset, this, &TZentDBGrid::restoreColumns);
    }
}

void TZentDBGrid::rememberColumns()
{
    m_columnNames.clear();
    m_widths.clear();
    m_hidden.clear();
    auto* rows = qobject_cast<ResultSetModel*>(model());
    if (!rows) {
        return;
    }
    for (int c = 0; c < rows->columnCount(); ++c) {
        const QString name = rows->fieldName(c);
        m_columnNames << name;
        m_widths.insert(name, columnWidth(c));
        m_hidden.insert(name, isColumnHidden(c));
    }
}

void TZentDBGrid::restoreColumns()
{
    auto* rows = qobject_cast<ResultSetModel*>(model());
    if (!rows) {
        return;
    }
    QStringList names;
    for (int c = 0; c < rows->columnCount(); ++c) {
        names << rows->fieldName(c);
    }
    if (names != m_columnNames) {
        return;
    }
    for (int c = 0; c < names.size(); ++c) {
        setColumnWidth(c, m_widths.value(names[c]));
        setColumnHidden(c, m_hidden.value(names[c]));
    }
}

void TZentDBGrid::TitleClick(int column)
{
    auto* rows = qobject_cast<ResultSetModel*>(model());
    if (!rows || !rows->isOpen() || column < 0 || column >= rows->columnCount()) {
        return;
    }
    for (int c = 0; c < rows->columnCount(); ++c) {
        const QString title = rows->title(c);
        if (title.startsWith(kUp) || title.startsWith(kDown)) {
            rows->setTitle(c, title.mid(1));
        }
    }
    const QString field = rows->fieldName(column);
    const QString title = rows->title(column);
    QString sort = rows->sortOrder();
    if (sort.isEmpty() || !sort.contains(field)) {
        sort = field;
        rows->setTitle(column, kUp + title);
    } else if (sort.contains(QLatin1String("DESC"))) {
        sort.remove(sort.indexOf(QLatin1String("DESC")), 4);
        rows->setTitle(column, kUp + title);
    } else {
        sort += QStringLiteral(" DESC");
        rows->setTitle(column, kDown + title);
    }
    const int current = currentIndex().column();
    rows->setSortOrder(sort);
    if (rows->rowCount() > 0) {
        setCurrentIndex(rows->index(0, std::max(current, 0)));
    }
}

void TZentDBGrid::SetSortOrder(const QString& order)
{
    auto* rows = qobject_cast<ResultSetModel*>(model());
    if (!rows || !rows->isOpen()) {
        return;
    }
    const QString field = order.section(QLatin1Char(' '), 0, 0);
    for (int c = 0; c < rows->columnCount(); ++c) {
        if (rows->fieldName(c) == field) {
            rows->setSortOrder(order);
            rows->setTitle(c, (order.contains(QLatin1String("DESC")) ? kDown : kUp) + field);
            return;
        }
    }
}

void TZentDBGrid::SetFittedWidths(const std::vector<int>& widths)
{
    m_fitted = widths;
    m_applied.assign(widths.size(), -1);
    applyFittedWidths();
}

void TZentDBGrid::applyFittedWidths()
{
    const int half = std::max(viewport()->width() / 2, 1);
    const int columns = model() ? model()->columnCount() : 0;
    for (int c = 0; c < columns && c < static_cast<int>(m_fitted.size()); ++c) {
        const auto i = static_cast<size_t>(c);
        if (m_applied[i] >= 0 && columnWidth(c) != m_applied[i]) {
            continue; // the user's width
        }
        m_applied[i] = std::min(m_fitted[i], half);
        setColumnWidth(c, m_applied[i]);
    }
}

void TZentDBGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    applyFittedWidths();
}
