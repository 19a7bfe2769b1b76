#include "BenchSupport.h"

#include "store/SqlText.h"
#include "store/Statements.h"
#include "store/TDbAccess.h"

#include <QDate>

void FillReminders(int count, const QTime& free)
{
    const int freeSecond = QTime(0, 0).secsTo(free);
    QString batch;
    for (int i = 0; i < count; ++i) {
        int second = (i * 7919) % 86400;
        if (second == freeSecond) {
            ++second;
        }
        const QString time = QTime(0, 0).addSecs(second).toString(QStringLiteral("HH:mm:ss"));
        if (i % 10 == 0) {
            batch += SqlFormat(Sql::AlamAddDaily, {time, QStringLiteral("每日提醒 %1").arg(i)});
        } else {
            const QString date = QDate(2024, 1, 1).addDays(i % 400).toString(QStringLiteral("yyyy-MM-dd"));
            batch += SqlFormat(Sql::AlamAddOnce, {time, date, QStringLiteral("0"), QStringLiteral("提醒 %1").arg(i)});
        }
        batch += kBatchSeparator;
    }
    ExecSQL(batch);
}
