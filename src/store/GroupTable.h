#pragma once

#include <QList>
#include <QString>

// One group table (IEType or NoteType): rows of (SelfIndex, ParentIndex, TypeName).
// The root, number 0, has no row.
class GroupTable
{
public:
    struct Row
    {
        int self = 0;
        int parent = 0;
        QString name;
    };

    explicit GroupTable(QString table) : m_table(std::move(table))
    {}

    const QString& name() const
    {
        return m_table;
    }
    // Every group in the order of their numbers.
    QList<Row> Load() const;
    // The largest number in the table, 0 when it is empty.
    int MaxIndex() const;
    void Add(int self, int parent, const QString& name) const;
    void Rename(int self, const QString& name) const;
    // Deletes the group and the rows filed directly under it, in one transaction.
    void Delete(int self) const;

private:
    QString m_table;
};
