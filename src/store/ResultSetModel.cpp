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
    endResetModel();
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
    return m_rows->field(section).name;
}
