#pragma once

#include "store/ResultSet.h"

#include <QAbstractTableModel>
#include <QHash>

// Shows a result set in a table view: one column per field, the field names as
// titles. It reads the set's rows in place and, as the set's watcher, resets
// whenever they are opened again or closed. Views go through it, never to the set.
class ResultSetModel : public QAbstractTableModel, private ResultSetWatcher
{
    Q_OBJECT

public:
    explicit ResultSetModel(ResultSet* rows, QObject* parent = nullptr);
    ~ResultSetModel() override;

    ResultSet* rows() const
    {
        return m_rows;
    }
    bool isOpen() const;
    QString fieldName(int column) const;
    // The text of a row's field by name; empty for an unknown field or row.
    QString text(int row, const QString& field) const;
    // The first row whose field shows `text`; -1 when none does.
    int findRow(const QString& field, const QString& text) const;

    // The client-side order of the rows as text ("f" or "f DESC", see
    // ResultSet::setSortOrder); setting it re-orders them.
    QString sortOrder() const;
    void setSortOrder(const QString& order);
    // A title shown instead of the field's name, until the rows are opened again.
    void setTitle(int section, const QString& title);
    QString title(int section) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void rowsAboutToChange() override;
    void rowsChanged() override;
    void rowsDestroyed() override;

    ResultSet* m_rows;
    QHash<int, QString> m_titles;
};
