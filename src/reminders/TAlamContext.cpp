#include "TAlamContext.h"

#include "store/ListFill.h"
#include "store/SqlText.h"
#include "store/Statements.h"
#include "store/TDbAccess.h"

TAlamContext AlamContextStore;

void TAlamContext::InsertAlamContext()
{
    statement = SqlFormat(Sql::PhraseAdd, {ReMark});
    ExecSQL(statement);
}

void TAlamContext::FillAlamContextList(QTreeWidget* list)
{
    statement = Sql::PhraseList;
    FillListView(statement, list, false);
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
