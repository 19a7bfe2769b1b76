#include "TIE.h"

#include "SqlText.h"
#include "Statements.h"
#include "TDbAccess.h"

TIE IEStore;

void TIE::InsertIE()
{
    statement = SqlFormat(Sql::IEAdd, {QString::number(TypeID), IEUrl, IEName, ReMark});
    ExecSQL(statement);
}

void TIE::FillGrid(int group)
{
    statement = Sql::IEGrid;
    if (group != 0) {
        statement += SqlFormat(Sql::IEGridGroup, {QString::number(group)});
    }
    DbAccess->OpenGridQuery(statement);
}

void TIE::DeleteIE(const QString& id)
{
    statement = SqlFormat(Sql::IEDelete, {id});
    ExecSQL(statement);
    DbAccess->RefreshGrid();
}

void TIE::LoadIE(const QString& id)
{
    statement = SqlFormat(Sql::IERead, {id});
    DbAccess->OpenQuery(statement);
    const ResultSet& row = DbAccess->Query;
    TypeID = static_cast<int>(row.asInteger(QStringLiteral("TypeID")));
    IEUrl = row.asString(QStringLiteral("IEUrl"));
    IEName = row.asString(QStringLiteral("IEName"));
    ReMark = row.asString(QStringLiteral("ReMark"));
    TypeName = LoadTypeName(TypeID);
}

QString TIE::LoadTypeName(int group)
{
    statement = SqlFormat(Sql::IEGroupName, {QString::number(group)});
    DbAccess->OpenQuery(statement);
    return DbAccess->Query.eof() ? QString() : DbAccess->Query.textAt(0, 0);
}

void TIE::UpdateIE(const QString& id)
{
    statement = SqlFormat(Sql::IEChange, {QString::number(TypeID), IEUrl, IEName, ReMark, id});
    ExecSQL(statement);
}

void TIE::DeleteByType(const QString& group)
{
    statement = SqlFormat(Sql::IEDeleteGroup, {group});
    ExecSQL(statement);
    DbAccess->RefreshGrid();
}

int TIE::CountByType(int group)
{
    statement = SqlFormat(Sql::IECountGroup, {QString::number(group)});
    return static_cast<int>(QueryInt(statement));
}

QStringList TIE::SavedIn(const QString& url)
{
    const QString bare = url.trimmed();
    if (bare.isEmpty()) {
        return {};
    }
    const QString other = bare.endsWith(QLatin1Char('/')) ? bare.chopped(1) : bare + QLatin1Char('/');
    statement = SqlFormat(Sql::IESavedIn, {bare, other});
    QStringList groups;
    for (const QStringList& row : DbAccess->ListQuery(statement).rows) {
        groups << (row.value(0) == QLatin1String("0") ? QString() : row.value(1));
    }
    return groups;
}
