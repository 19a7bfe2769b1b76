#include "GroupTable.h"

#include "SqlText.h"
#include "Statement.h"
#include "Statements.h"
#include "TDbAccess.h"

QList<GroupTable::Row> GroupTable::Load() const
{
    // Read straight into the rows: a large tree is read once, not through a copy of every value.
    QList<Row> groups;
    DbAccess->ReadBound(SqlFormat(Sql::TreeLoad, {m_table}), {}, [&groups](const Statement& row) {
        groups.append({static_cast<int>(row.int64(0)), static_cast<int>(row.int64(1)), row.text(2)});
        return true;
    });
    return groups;
}

QString GroupTable::recordsTable() const
{
    return m_table.compare(QLatin1String("IEType"), Qt::CaseInsensitive) == 0 ? QStringLiteral("IE")
                                                                              : QStringLiteral("NoteBook");
}

int GroupTable::MaxIndex() const
{
    return static_cast<int>(QueryInt(SqlFormat(Sql::TreeMaxIndex, {m_table, recordsTable()})));
}

void GroupTable::Add(int self, int parent, const QString& name) const
{
    ExecSQL(SqlFormat(Sql::TreeAdd, {m_table, QString::number(self), QString::number(parent), name}));
}

void GroupTable::Rename(int self, const QString& name) const
{
    ExecSQL(SqlFormat(Sql::TreeRename, {m_table, name, QString::number(self)}));
}

void GroupTable::Delete(int self) const
{
    const QString number = QString::number(self);
    const QString records = recordsTable() == QLatin1String("IE") ? SqlFormat(Sql::IEDeleteGroup, {number})
                                                                  : SqlFormat(Sql::NoteDelete, {number});
    ExecSQL(SqlFormat(Sql::TreeDeleteSelf, {m_table, number}) + kBatchSeparator +
            SqlFormat(Sql::TreeDeleteChildren, {m_table, number}) + kBatchSeparator + records);
}
