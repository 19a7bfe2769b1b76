#include "Sandbox.h"

#include "MakeDb.h"
#include "base/AppLock.h"
#include "base/AppPath.h"
#include "base/Application.h"
#include "base/Clock.h"
#include "base/FileDialogs.h"
#include "base/MainWindowRef.h"
#include "base/Messages.h"
#include "base/ShellOpen.h"
#include "desktop/AutoRun.h"
#include "desktop/TrayIcon.h"
#include "frame/CommandLine.h"
#include "reminders/AlertNotice.h"
#include "reminders/Chime.h"
#include "store/TConfig.h"
#include "store/TDbAccess.h"

namespace {

// Every replaceable service back to its real one, so that a run that failed
// half-way leaves nothing scripted for the next.
void resetSeams()
{
    Clock::reset();
    ClearTerminateRequest();
    ShellOpenSeam::setOpener({});
    FileDialogs::clearNextFileName();
    FileDialogs::forgetLastFolder();
    Chime::setPlayer({});
    Chime::setBeep({});
    AlertNotice::setBus({});
    TrayIcon::setBus({});
    AutoRun::setExecutablePathForTesting({});
    setMainWindow(nullptr);
    // The settings of one case's database are not those of the next.
    ConfigStore = TConfig();
    CommandLine::setPasswordReader({});
    AppLock::setLocked(false);
}

} // namespace

Sandbox::Sandbox(bool connect, const QDateTime& now)
{
    resetSeams();
    if (!m_dir.isValid()) {
        qFatal("cannot make a temporary program folder");
    }
    setAppPath(m_dir.path());
    qputenv("HOME", m_dir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
    Clock::setFixed(now);
    ShellOpenSeam::setOpener([](const QUrl&) {});
    // Nothing is posted to the desktop the tests run on.
    AlertNotice::setBus(QStringLiteral("vhsandbox-no-bus"));
    TrayIcon::setBus(QStringLiteral("vhsandbox-no-bus"));
    // A box nobody answers would stop the run: every box is taken as answered No.
    Messages::setPresenter([](Messages::Kind, const QString&, const QString&) { return false; });
    MakeDatabase(dbPath());
    db = std::make_unique<TDbAccess>();
    DbAccess = db.get();
    if (connect && !db->Connect()) {
        qFatal("cannot connect to the fresh database");
    }
}

Sandbox::~Sandbox()
{
    DbAccess = nullptr;
    db.reset();
    Messages::setPresenter({});
    resetSeams();
}

QString Sandbox::folder() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString Sandbox::dbPath() const
{
    return file(QStringLiteral("bookkeep.dat"));
}

QString Sandbox::file(const QString& name) const
{
    return folder() + name;
}
