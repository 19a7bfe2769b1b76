#include "TestEnv.h"

#include "MakeDb.h"
#include "base/AppPath.h"
#include "base/Application.h"
#include "base/Clock.h"
#include "base/FileDialogs.h"
#include "base/Log.h"
#include "base/MainWindowRef.h"
#include "base/ShellOpen.h"
#include "desktop/AutoRun.h"
#include "reminders/Chime.h"
#include "store/TDbAccess.h"

#include <QFile>
#include <QStringDecoder>
#include <QtTest>

namespace {

// Every replaceable service back to its real one, so that a case that failed
// half-way leaves nothing scripted for the next.
void resetSeams()
{
    Clock::reset();
    ClearTerminateRequest();
    ShellOpenSeam::setOpener({});
    FileDialogs::clearNextFileName();
    Chime::setPlayer({});
    AutoRun::setExecutablePathForTesting({});
    setMainWindow(nullptr);
}

} // namespace

TestEnv::TestEnv(bool connect, const QDateTime& now)
{
    resetSeams();
    if (!m_dir.isValid()) {
        qFatal("cannot make a temporary program folder");
    }
    setAppPath(m_dir.path());
    qputenv("HOME", m_dir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    Clock::setFixed(now);
    ShellOpenSeam::setOpener([this](const QUrl& url) { opened.append(url); });
    MakeDatabase(dbPath());
    db = std::make_unique<TDbAccess>();
    DbAccess = db.get();
    if (connect && !db->Connect()) {
        qFatal("cannot connect to the fresh database");
    }
}

TestEnv::~TestEnv()
{
    DbAccess = nullptr;
    db.reset();
    resetSeams();
}

QString TestEnv::folder() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString TestEnv::dbPath() const
{
    return file(QStringLiteral("bookkeep.dat"));
}

QString TestEnv::file(const QString& name) const
{
    return folder() + name;
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
