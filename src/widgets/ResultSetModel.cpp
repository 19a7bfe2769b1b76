#include "ResultSetModel.h"

ResultSetModel::ResultSetModel(ResultSet* rows, QObject* parent) : QAbstractTableModel(parent), m_rows(rows)
{
    m_rows->addWatcher(this);
}

ResultSetModel::~ResultSetModel()
{
    m_rows->removeWatcher(this);
}

void ResultSetModel::rowsAboutToChange()
{
    beginResetModel();
}

void ResultSetModel::rowsChanged()
{
    m_titles.clear();
    endResetModel();
}

void ResultSetModel::rowsDestroyed()
{
    // A view may outlive the database's result sets: it then shows an empty set.
    static ResultSet none;
    beginResetModel();
    m_rows->removeWatcher(this);
    m_rows = &none;
    m_titles.clear();
    endResetModel();
}

bool ResultSetModel::isOpen() const
{
    return m_rows->isOpen();
}

QString ResultSetModel::fieldName(int column) const
{
    return column >= 0 && column < m_rows->fieldCount() ? m_rows->field(column).name : QString();
}

QString ResultSetModel::text(int row, const QString& field) const
{
    const int column = m_rows->fieldIndex(field);
    if (column < 0 || row < 0 || row >= m_rows->recordCount()) {
        return {};
    }
    return m_rows->textAt(row, column);
}

int ResultSetModel::findRow(const QString& field, const QString& text) const
{
    return m_rows->findRow(m_rows->fieldIndex(field), text);
}

QString ResultSetModel::sortOrder() const
{
    return m_rows->sortOrder();
}

void ResultSetModel::setSortOrder(const QString& order)
{
    emit layoutAboutToBeChanged();
    try {
        m_rows->setSortOrder(order);
    } catch (...) {
        emit layoutChanged();
        throw;
    }
    emit layoutChanged();
}

void ResultSetModel::setTitle(int section, const QString& title)
{
    m_titles.insert(section, title);
    emit headerDataChanged(Qt::Horizontal, section, section);
}

QString ResultSetModel::title(int section) const
{
    return m_titles.value(section, section < m_rows->fieldCount() ? m_rows->field(section).name : QString());
}

int ResultSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows->recordCount();
}

int ResultSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows->fieldCount();
}

QVariant ResultSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    return m_rows->textAt(index.row(), index.column());
}

QVariant ResultSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= m_rows->fieldCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return title(section);
}
