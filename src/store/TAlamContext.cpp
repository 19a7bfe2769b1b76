#include "TAlamContext.h"

#include "SqlText.h"
#include "Statements.h"
#include "TDbAccess.h"

TAlamContext AlamContextStore;

void TAlamContext::InsertAlamContext()
{
    statement = SqlFormat(Sql::PhraseAdd, {ReMark});
    ExecSQL(statement);
}

ListRows TAlamContext::FillAlamContextList()
{
    statement = Sql::PhraseList;
    return DbAccess->ListQuery(statement);
}

void TAlamContext::DeleteAlamContext(const QString& id)
{
    statement = SqlFormat(Sql::PhraseDelete, {id});
    ExecSQL(statement);
}

void TAlamContext::UpdateAlamContext(const QString& id)
{
    statement = SqlFormat(Sql::PhraseChange, {ReMark, id});
    ExecSQL(statement);
}
