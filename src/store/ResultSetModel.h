#pragma once

#include <QAbstractTableModel>
#include <QHash>

class ResultSet;

// Shows a result set in a table view: one column per field, the field names as
// titles. It reads the set's rows in place and is told when they change.
class ResultSetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ResultSetModel(ResultSet* rows, QObject* parent = nullptr);

    ResultSet* rows() const
    {
        return m_rows;
    }
    // Call around any change of the set's rows or fields.
    void beginChange();
    void endChange();

    // Re-orders the rows on the client (see ResultSet::setSortOrder).
    void setSortOrder(const QString& order);
    // A title shown instead of the field's name, until the rows are opened again.
    void setTitle(int section, const QString& title);
    QString title(int section) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    ResultSet* m_rows;
    QHash<int, QString> m_titles;
};
