#include "BigData.h"

#include "MakeDb.h"
#include "store/DbConnection.h"
#include "store/JetDialect.h"
#include "store/Statement.h"

#include <functional>
#include <sqlcipher/sqlite3.h>

namespace {

// Rows go in through bound statements in one transaction: a few seconds for the whole set.
void insertAll(sqlite3* db, const char* sql, int count, const std::function<void(Statement&, int)>& bindRow)
{
    Statement stmt(db, QByteArray(sql));
    for (int i = 0; i < count; ++i) {
        bindRow(stmt, i);
        stmt.run();
        stmt.reset();
    }
}

// Group i (from 1) hangs under i-1 within runs of `depth`, so each run is one
// chain from the root down to level `depth`.
int chainParent(int i, int depth)
{
    return (i - 1) % depth == 0 ? 0 : i - 1;
}

} // namespace

QString BigNoteText(qsizetype bytes)
{
    const QString line = QStringLiteral("记事本里的一行 note line with some words 0123456789\n");
    const qsizetype lineBytes = line.toUtf8().size();
    QString text;
    text.reserve(bytes);
    for (qsizetype size = 0; size + lineBytes <= bytes; size += lineBytes) {
        text += line;
    }
    return text;
}

void MakeBigDatabase(const QString& path, const QDateTime& now, const BigDataShape& shape)
{
    MakeDatabase(path);
    DbConnection conn;
    conn.open(path);
    conn.configure();
    sqlite3* db = conn.handle();
    conn.exec(QStringLiteral("BEGIN"));

    insertAll(db, "insert into NoteType(SelfIndex,ParentIndex,TypeName) values(?1,?2,?3)", shape.noteGroups,
              [&](Statement& s, int i) {
                  const int self = i + 1;
                  s.bindInt64(1, self);
                  s.bindInt64(2, chainParent(self, shape.depth));
                  s.bind(3, QStringLiteral("记事分组 %1").arg(self));
              });
    insertAll(
        db, "insert into NoteBook(TypeID,ReMark) values(?1,?2)", shape.noteGroups / 10 + 1, [&](Statement& s, int i) {
            s.bindInt64(1, i * 10);
            s.bind(2, i == 0 ? BigNoteText(shape.rootNoteBytes)
                             : QStringLiteral("分组 %1 的笔记：会议纪要、待办事项 notes %1\n").arg(i * 10).repeated(8));
        });
    // Ten groups a level, a hundred chains of ten.
    insertAll(db, "insert into IEType(SelfIndex,ParentIndex,TypeName) values(?1,?2,?3)", shape.urlGroups,
              [&](Statement& s, int i) {
                  const int self = i + 1;
                  s.bindInt64(1, self);
                  s.bindInt64(2, chainParent(self, 10));
                  s.bind(3, QStringLiteral("网址分组 %1").arg(self));
              });
    insertAll(db, "insert into IE(TypeID,IEUrl,IEName,ReMark) values(?1,?2,?3,?4)", shape.urls,
              [&](Statement& s, int i) {
                  // Names in a shuffled order and in mixed case, so that sorting has work to do.
                  const int key = static_cast<int>((static_cast<qint64>(i) * 7919) % shape.urls);
                  s.bindInt64(1, i % shape.urlGroups + 1);
                  s.bind(2, QStringLiteral("https://www.example%1.com/path/page%2.html").arg(key % 977).arg(key));
                  s.bind(3, (key % 3 ? QStringLiteral("网站 Site %1") : QStringLiteral("site %1")).arg(key));
                  s.bind(4, i % 4 ? QStringLiteral("备注 remark %1").arg(i) : QString());
              });

    // Every tenth reminder is daily; the others are one-offs spread over two years
    // either side of today, those in the past seen. None is due in the quiet time.
    const int quietFrom = QTime(0, 0).secsTo(now.time());
    const int quiet = shape.quietMinutes * 60;
    const double today = Jet::toDays(now.date());
    insertAll(db, "insert into Alam(AlamTime,AlamDate,ReDay,ReMark,bLook) values(?1,?2,?3,?4,?5)", shape.reminders,
              [&](Statement& s, int i) {
                  int second = (quietFrom + quiet + (i * 7919) % (86400 - quiet)) % 86400;
                  const bool daily = i % 10 == 0;
                  int day = (i * 37) % 1461 - 730;
                  if (day == 0 || day == 1) {
                      day += 2; // today and tomorrow could reach into the quiet time
                  }
                  s.bind(1, static_cast<double>(second) / 86400.0);
                  s.bind(2, daily ? QVariant() : QVariant(today + day));
                  s.bindInt64(3, daily ? -1 : 0);
                  s.bind(4, QStringLiteral("提醒事项 %1：给客户回电话，准备周报").arg(i));
                  s.bindInt64(5, !daily && day < 0 ? -1 : 0);
              });
    conn.exec(QStringLiteral("COMMIT"));
    sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    QString error;
    if (!conn.close(&error)) {
        throw EngineError(error);
    }
}
