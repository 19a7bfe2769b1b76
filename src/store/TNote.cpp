#include "TNote.h"

#include "SqlText.h"
#include "Statement.h"
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

bool TNote::ReadNote(int typeId, QString* text)
{
    statement = Sql::NoteText;
    bool found = false;
    QString read;
    DbAccess->ReadBound(statement, {typeId}, [&](const Statement& row) {
        found = true;
        read = row.text(0);
        // Converted into room for as many characters as the text has bytes: a large
        // note, kept as long as it is shown, keeps only what it needs.
        read.squeeze();
        return false;
    });
    if (found) {
        TypeID = typeId;
        ReMark = read;
    }
    *text = std::move(read);
    return found;
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
