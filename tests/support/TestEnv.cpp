#include "TestEnv.h"

#include "base/Log.h"
#include "base/ShellOpen.h"

#include <QFile>
#include <QStringDecoder>

TestEnv::TestEnv(bool connect, const QDateTime& now) : Sandbox(connect, now)
{
    // The sandbox resets the opener when it goes.
    ShellOpenSeam::setOpener([this](const QUrl& url) { opened.append(url); });
}

QString TestEnv::logText(const QDate& day) const
{
    QFile f(file(LogFileName(day)));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringDecoder decode("GB18030");
    return decode(f.readAll());
}
