#include "MakeDb.h"

#include "store/DbConnection.h"

#include <QFile>
#include <cstdio>

namespace {

// A date, time or date-and-time text as days since 1899-12-30 with the time as
// the fraction, counted in whole seconds so that time() compares exactly.
QString dayNumber(const QString& column)
{
    return QStringLiteral("CASE WHEN typeof(%1) <> 'text' THEN %1 "
                          "WHEN trim(%1) = '' THEN NULL "
                          "WHEN %1 GLOB '*-*' THEN (strftime('%s', %1) - strftime('%s', '1899-12-30')) / 86400.0 "
                          "ELSE (strftime('%s', '2000-01-01 ' || %1) - strftime('%s', '2000-01-01')) / 86400.0 END")
        .arg(column);
}

QString unconvertible(const QString& column)
{
    return QStringLiteral("(typeof(%1) = 'text' AND trim(%1) <> '' AND (%2) IS NULL)").arg(column, dayNumber(column));
}

QString dateTrigger(const QString& name, const QString& event)
{
    const QString when = QStringLiteral("typeof(NEW.AlamTime) = 'text' OR typeof(NEW.AlamDate) = 'text'");
    return QStringLiteral("CREATE TRIGGER %1 AFTER %2 ON Alam WHEN %3 BEGIN "
                          "SELECT RAISE(ABORT, 'data type mismatch: not a date or time') WHERE %4 OR %5; "
                          "UPDATE Alam SET AlamTime = %6, AlamDate = %7 WHERE rowid = NEW.rowid; END;")
        .arg(name, event, when, unconvertible(QStringLiteral("NEW.AlamTime")),
             unconvertible(QStringLiteral("NEW.AlamDate")), dayNumber(QStringLiteral("AlamTime")),
             dayNumber(QStringLiteral("AlamDate")));
}

QString schema()
{
    return QStringLiteral(
               "CREATE TABLE IEType (SelfIndex INTEGER NOT NULL, ParentIndex INTEGER NOT NULL DEFAULT 0, "
               "TypeName TEXT);"
               "CREATE UNIQUE INDEX IEType_SelfIndex ON IEType(SelfIndex);"
               "CREATE INDEX IEType_ParentIndex ON IEType(ParentIndex);"
               "CREATE TABLE NoteType (SelfIndex INTEGER NOT NULL, ParentIndex INTEGER NOT NULL DEFAULT 0, "
               "TypeName TEXT);"
               "CREATE UNIQUE INDEX NoteType_SelfIndex ON NoteType(SelfIndex);"
               "CREATE INDEX NoteType_ParentIndex ON NoteType(ParentIndex);"
               "CREATE TABLE IE (ID INTEGER PRIMARY KEY AUTOINCREMENT, TypeID INTEGER, IEUrl TEXT, IEName TEXT, "
               "ReMark TEXT);"
               "CREATE INDEX IE_TypeID ON IE(TypeID);"
               "CREATE TABLE NoteBook (TypeID INTEGER NOT NULL, ReMark TEXT);"
               "CREATE UNIQUE INDEX NoteBook_TypeID ON NoteBook(TypeID);"
               "CREATE TABLE Alam (ID INTEGER PRIMARY KEY AUTOINCREMENT, AlamTime DATETIME, AlamDate DATETIME, "
               "ReDay BOOLEAN NOT NULL DEFAULT -1, ReMark TEXT, bLook BOOLEAN NOT NULL DEFAULT 0);"
               "CREATE INDEX Alam_AlamTime ON Alam(AlamTime);"
               "CREATE TABLE AlamContext (ID INTEGER PRIMARY KEY AUTOINCREMENT, ReMark TEXT);"
               "CREATE TABLE SysSet (bPass BOOLEAN NOT NULL DEFAULT 0, PassWord TEXT);"
               "INSERT INTO SysSet (bPass, PassWord) VALUES (0, '');") +
           dateTrigger(QStringLiteral("Alam_dates_insert"), QStringLiteral("INSERT")) +
           dateTrigger(QStringLiteral("Alam_dates_update"), QStringLiteral("UPDATE OF AlamTime, AlamDate"));
}

} // namespace

void MakeDatabase(const QString& path)
{
    if (QFile::exists(path)) {
        throw EngineError(QStringLiteral("file already exists: %1").arg(path));
    }
    // Built under another name and renamed when complete: a failed run leaves no
    // half-made database where the program would find it.
    const QString staged = path + QStringLiteral(".new");
    QFile::remove(staged);
    {
        DbConnection db;
        db.open(staged, true);
        db.exec(QStringLiteral("BEGIN;") + schema() + QStringLiteral("COMMIT;"));
        db.configure();
        QString error;
        if (!db.close(&error)) {
            throw EngineError(error);
        }
    }
    if (std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(staged);
        throw EngineError(QStringLiteral("cannot create %1").arg(path));
    }
}
