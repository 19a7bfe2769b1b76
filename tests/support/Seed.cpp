#include "Seed.h"

#include "store/SqlText.h"
#include "store/TAlam.h"
#include "store/TDbAccess.h"
#include "store/TIE.h"

void addGroup(const QString& table, int self, int parent, const QString& name)
{
    ExecSQL(QStringLiteral("insert into %1 values (%2,%3,%4)").arg(table).arg(self).arg(parent).arg(SqlQuote(name)));
}

qint64 addOnce(const QString& time, const QDate& date, const QString& text, bool seen)
{
    AlamStore.AlamTime = QTime::fromString(time, QStringLiteral("HH:mm:ss"));
    AlamStore.AlamDate = date;
    AlamStore.ReDay = false;
    AlamStore.ReMark = text;
    AlamStore.InsertAlam();
    const qint64 id = QueryInt(QStringLiteral("select max(ID) from Alam"));
    if (seen) {
        AlamStore.SetAlamSeen(QString::number(id));
    }
    return id;
}

qint64 addDaily(const QString& time, const QString& text)
{
    AlamStore.AlamTime = QTime::fromString(time, QStringLiteral("HH:mm:ss"));
    AlamStore.ReDay = true;
    AlamStore.ReMark = text;
    AlamStore.InsertAlam();
    return QueryInt(QStringLiteral("select max(ID) from Alam"));
}

qint64 addUrl(int type, const QString& url, const QString& title, const QString& remark)
{
    IEStore.TypeID = type;
    IEStore.IEUrl = url;
    IEStore.IEName = title;
    IEStore.ReMark = remark;
    IEStore.InsertIE();
    return QueryInt(QStringLiteral("select max(ID) from IE"));
}
