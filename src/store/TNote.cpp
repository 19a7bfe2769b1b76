#include "TNote.h"

#include "SqlText.h"
#include "Statements.h"
#include "TDbAccess.h"
#include "base/Exceptions.h"

TNote NoteStore;

bool TNote::HasNote(const QString& typeId)
{
    statement = SqlFormat(Sql::NoteCount, {typeId});
    return QueryInt(statement) > 0;
}

void TNote::LoadNote(const QString& typeId)
{
    statement = SqlFormat(Sql::NoteRead, {typeId});
    DbAccess->OpenQuery(statement);
    const QString text = DbAccess->Query.asString(QStringLiteral("ReMark"));
    TypeID = typeId.trimmed().toInt();
    ReMark = text;
}

void TNote::AddNote()
{
    statement = Sql::NoteEmptyRow;
    DbAccess->OpenQuery(statement);
    ResultSet& row = DbAccess->Query;
    row.append();
    row.setValue(QStringLiteral("TypeID"), TypeID);
    row.setValue(QStringLiteral("ReMark"), ReMark);
    row.post();
}

void TNote::SaveNote()
{
    statement = Sql::NoteWrite;
    if (DbAccess->ExecBound(statement, {ReMark, TypeID}) == 0) {
        AddNote(); // the row went missing: the text is kept all the same
    }
}

void TNote::DeleteNote(const QString& typeId)
{
    statement = SqlFormat(Sql::NoteDelete, {typeId});
    ExecSQL(statement);
}
