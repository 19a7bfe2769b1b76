#include "ResultSetModel.h"

#include "ResultSet.h"

ResultSetModel::ResultSetModel(ResultSet* rows, QObject* parent) : QAbstractTableModel(parent), m_rows(rows)
{}

void ResultSetModel::beginChange()
{
    beginResetModel();
}

void ResultSetModel::endChange()
{
    m_titles.clear();
    endResetModel();
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
