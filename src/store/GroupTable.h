#pragma once

#include <QList>
#include <QString>

// One group table (IEType or NoteType): rows of (SelfIndex, ParentIndex, TypeName).
// The root, number 0, has no row. The records filed under its groups are the
// addresses (IE) or the notes (NoteBook), by their TypeID.
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
    // The largest number in the table or among the numbers its records are filed
    // under, 0 when there is none: a new group never takes over a record.
    int MaxIndex() const;
    void Add(int self, int parent, const QString& name) const;
    void Rename(int self, const QString& name) const;
    // Deletes the group, the rows filed directly under it and the records it
    // holds, in one transaction: nothing is left behind to show up elsewhere.
    void Delete(int self) const;

private:
    QString recordsTable() const;

    QString m_table;
};
