#pragma once

#include <QString>

// The program's complete statement vocabulary. Each text is exact, blanks
// included; %s marks take values through SqlFormat.
namespace Sql {

// Group trees; the first %s is the table, IEType or NoteType.
inline const QString TreeLoad =
    QStringLiteral("select SelfIndex,ParentIndex,TypeName from %s where SelfIndex <>0 order by SelfIndex asc");
inline const QString TreeAdd = QStringLiteral("insert into %s(SelfIndex,ParentIndex,TypeName) values (%s,%s,'%s')");
inline const QString TreeRename = QStringLiteral("update %s set TypeName='%s' where SelfIndex=%s ");
inline const QString TreeDeleteSelf = QStringLiteral("delete from %s where selfIndex=%s ");
inline const QString TreeDeleteChildren = QStringLiteral("delete from %s where ParentIndex=%s ");
// Past every number of the table (also those added by another tree of it) and
// every number its records are still filed under: the second %s is NoteBook or IE.
inline const QString TreeMaxIndex =
    QStringLiteral("select max(n) from (select max(SelfIndex) as n from %s union all select max(TypeID) from %s)");

// Saved web addresses.
inline const QString IEGrid = QStringLiteral("select ID,IEName as 标题,Remark as 备注,IEUrl as 网址 from IE  ");
inline const QString IEGridGroup = QStringLiteral(" where TypeID=%s ");
inline const QString IERead = QStringLiteral("select * from IE where ID=%s ");
inline const QString IEGroupName = QStringLiteral("select TypeName from IEType where Selfindex=%s ");
inline const QString IEAdd = QStringLiteral("Insert into IE(TypeID,IEUrl,IEName,ReMark)  values(%s,'%s','%s','%s') ");
inline const QString IEChange =
    QStringLiteral("update IE set TypeID=%s,IEUrl='%s',IEName='%s',ReMark='%s' where ID=%s  ");
inline const QString IEDelete = QStringLiteral("delete from IE where ID=%s ");
inline const QString IEDeleteGroup = QStringLiteral("delete from IE where TypeID=%s ");
inline const QString IECountGroup = QStringLiteral("select count(*) from IE where TypeID=%s ");
// Where an address is saved already: its blanks around, and one "/" at its end, do not count.
inline const QString IESavedIn =
    QStringLiteral("select IE.TypeID, IEType.TypeName from IE left join IEType on IEType.SelfIndex=IE.TypeID "
                   "where trim(IE.IEUrl) in ('%s','%s') order by IE.ID");

// Notes. The note text itself is never put into a statement.
inline const QString NoteCount = QStringLiteral("select count(TypeID) from NoteBook where TypeID= %s ");
inline const QString NoteRead = QStringLiteral("select * from NoteBook where TypeID=%s ");
// Whether the group has a note and its text, in one read.
inline const QString NoteText = QStringLiteral("select ReMark from NoteBook where TypeID=?1");
inline const QString NoteEditRow = QStringLiteral("select * from NoteBook where TypeId=%s");
// The text bound as a parameter: a write without reading the old text first.
inline const QString NoteWrite = QStringLiteral("update NoteBook set ReMark=?1 where TypeID=?2");
inline const QString NoteEmptyRow = QStringLiteral("select * from NoteBook where 1<> 1 ");
inline const QString NoteDelete = QStringLiteral("delete from NoteBook where TypeID=%s");

// Reminders and the scheduler.
inline const QString AlamAddDaily = QStringLiteral("Insert into Alam(AlamTime,ReMark)  values('%s','%s') ");
inline const QString AlamAddOnce =
    QStringLiteral("Insert into Alam(AlamTime,AlamDate,ReDay,ReMark)  values('%s','%s','%s','%s') ");
inline const QString AlamRead = QStringLiteral("select * from Alam where ID=%s ");
inline const QString AlamChange =
    QStringLiteral("update Alam set AlamTime='%s',AlamDate='%s',ReDay='%s',Remark='%s',bLook=0 where ID=%s  ");
inline const QString AlamSeen = QStringLiteral("update Alam set bLook=1 where ID=%s");
inline const QString AlamDelete = QStringLiteral("delete from Alam where ID=%s ");
inline const QString AlamDue = QStringLiteral("select ID,AlamDate,ReDay,Remark from Alam  where Alamtime=time() ");
inline const QString AlamList = QStringLiteral(
    "select ID,IIf(ReDay,'每天  '+format(Alamtime,'HH:mm:ss'),format(Alamtime+AlamDate,'yyyy-mm-dd HH:mm:ss')) ,  "
    "Remark,IIF(bLook,'看过的','') from  Alam where 1=1   ");
// The list's filter clauses by filter code: 0 today, 1 tomorrow, 2 missed,
// 3 seen, 4 daily, 5 all.
inline const QString AlamFilters[6] = {
    QStringLiteral("and AlamDate=Date() "),
    QStringLiteral("and AlamDate=Date()+1 "),
    QStringLiteral("and AlamDate+AlamTime<Now() and bLook=0 and ReDay = 0 "),
    QStringLiteral("and bLook<>0 and ReDay = 0 "),
    QStringLiteral("and ReDay <> 0 "),
    QString(),
};

// Every list reads like a schedule: by the moment each reminder is next due, a
// daily one today at its time or, once that has passed, tomorrow.
inline const QString AlamOrder =
    QStringLiteral("order by case when ReDay<>0 then Date()+AlamTime+(case when AlamTime<time() then 1 else 0 end) "
                   "else AlamDate+AlamTime end, ID ");
// The daily reminders alone read as a day's plan: by time of day, not turning
// round as the day goes on.
inline const QString AlamDailyOrder = QStringLiteral("order by AlamTime, ID ");

// The reminder next due from now on (its text and moment as a day number).
inline const QString AlamNext =
    QStringLiteral("select Remark, case when ReDay<>0 then Date()+AlamTime+(case when AlamTime<time() then 1 else 0 "
                   "end) else AlamDate+AlamTime end as Due from Alam where ReDay<>0 or (bLook=0 and "
                   "AlamDate+AlamTime>=Now()) order by Due, ID limit 1");

// Snoozed daily reminders: each pops once more at its moment (seconds since the
// epoch, local time) and keeps its daily time. A snoozed one-off reminder simply
// moves to its new moment.
inline const QString SnoozeTable =
    QStringLiteral("create table if not exists AlamSnooze (AlamID INTEGER NOT NULL, SnoozeAt INTEGER NOT NULL)");
inline const QString SnoozeAdd = QStringLiteral("insert into AlamSnooze(AlamID,SnoozeAt) values (%s,%s)");
inline const QString SnoozeDue =
    QStringLiteral("select a.ID,a.Remark,a.ReDay from AlamSnooze s join Alam a on a.ID=s.AlamID where s.SnoozeAt<=%s "
                   "order by s.SnoozeAt,a.ID");
// What the scheduler keeps between changes: every reminder time, the first snooze.
inline const QString AlamTimes = QStringLiteral("select distinct AlamTime from Alam where AlamTime is not null");
inline const QString SnoozeFirst =
    QStringLiteral("select min(s.SnoozeAt) from AlamSnooze s join Alam a on a.ID=s.AlamID");
inline const QString SnoozeDone = QStringLiteral("delete from AlamSnooze where SnoozeAt<=%s");
inline const QString SnoozeDelete = QStringLiteral("delete from AlamSnooze where AlamID=%s");

// Reminder phrases.
inline const QString PhraseList = QStringLiteral("select Id,Remark from AlamContext ");
inline const QString PhraseAdd = QStringLiteral("Insert into AlamContext(ReMark) values('%s') ");
inline const QString PhraseChange = QStringLiteral("update AlamContext set Remark='%s' where ID=%s  ");
inline const QString PhraseDelete = QStringLiteral("delete from AlamContext where ID=%s ");

// Searching everything: holds(text, ?1) finds the searched text anywhere, the
// Latin letters A-Z regardless of case. A note is found by its group's name or by
// its text; the root's note has no group row.
inline const QString SearchRootNote =
    QStringLiteral("select 0, ReMark from NoteBook where TypeID=0 and holds(ReMark, ?1)");
inline const QString SearchNotes =
    QStringLiteral("select g.SelfIndex, b.ReMark from NoteType g left join NoteBook b on b.TypeID=g.SelfIndex "
                   "where g.SelfIndex<>0 and (holds(g.TypeName, ?1) or holds(b.ReMark, ?1)) order by g.SelfIndex");
inline const QString SearchUrls =
    QStringLiteral("select ID, TypeID, IEName, IEUrl, ReMark from IE where "
                   "holds(IEName, ?1) or holds(IEUrl, ?1) or holds(ReMark, ?1) order by ID");
// Daily reminders by their time, then the others by their moment.
inline const QString SearchAlams =
    QStringLiteral("select ID, AlamTime, AlamDate, ReDay, ReMark from Alam where holds(ReMark, ?1) "
                   "order by ReDay=0, case when ReDay<>0 then AlamTime else AlamDate+AlamTime end, ID");

// Imports and exports: every row of a kind at once, and bound inserts that
// an import repeats inside its one transaction.
inline const QString IEAll = QStringLiteral("select TypeID,IEUrl,IEName,ReMark from IE order by ID");
inline const QString IEImport = QStringLiteral("insert into IE(TypeID,IEUrl,IEName,ReMark) values (?1,?2,?3,?4)");
inline const QString TreeImport = QStringLiteral("insert into %s(SelfIndex,ParentIndex,TypeName) values (?1,?2,?3)");
inline const QString NoteAll = QStringLiteral("select TypeID,ReMark from NoteBook order by TypeID");
inline const QString NoteImport = QStringLiteral("insert into NoteBook(TypeID,ReMark) values (?1,?2)");

// Settings.
inline const QString ConfigRead = QStringLiteral("select * from SysSet");
inline const QString ConfigWrite = QStringLiteral("update SysSet set bPass='%s',[PassWord]='%s' ");

} // namespace Sql
