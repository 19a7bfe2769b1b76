#include "GroupTable.h"

#include "SqlText.h"
#include "Statements.h"
#include "TDbAccess.h"

QList<GroupTable::Row> GroupTable::Load() const
{
    DbAccess->OpenQuery(SqlFormat(Sql::TreeLoad, {m_table}));
    const ResultSet& rows = DbAccess->Query;
    QList<Row> groups;
    groups.reserve(rows.recordCount());
    for (int r = 0; r < rows.recordCount(); ++r) {
        groups.append({rows.valueAt(r, 0).toInt(), rows.valueAt(r, 1).toInt(), rows.textAt(r, 2)});
    }
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
