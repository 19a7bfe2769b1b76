#include "Log.h"

#include "AppPath.h"
#include "Clock.h"

#include <QDate>
#include <QFile>
#include <iconv.h>

namespace {

// GB18030 matches GBK for every GBK character and can hold every other one, so an
// entry is never cut short by a character the old code page lacks.
QByteArray toGb18030(const QString& text)
{
    QByteArray in = text.toUtf8();
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return in;
    }
    QByteArray out(in.size() * 4 + 16, Qt::Uninitialized);
    char* src = in.data();
    size_t srcLeft = static_cast<size_t>(in.size());
    char* dst = out.data();
    size_t dstLeft = static_cast<size_t>(out.size());
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) {
        return in;
    }
    out.truncate(out.size() - static_cast<qsizetype>(dstLeft));
    return out;
}

QString withCrLf(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

} // namespace

QString LogFileName(const QDate& date)
{
    return QStringLiteral("Log") + date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log");
}

void WriteLog(const QString& text)
{
    try {
        const QDateTime stamp = Clock::now();
        QFile file(AppPath() + LogFileName(stamp.date()));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            return;
        }
        const QString entry =
            stamp.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("：") + withCrLf(text) + "\r\n";
        file.write(toGb18030(entry));
    } catch (...) {
        // The log is best effort: nothing it does may disturb the program.
    }
}
