#include "base/AppPath.h"
#include "base/Application.h"
#include "base/DisplayPlatform.h"
#include "desktop/SessionBus.h"
#include "desktop/SingleInstance.h"
#include "frame/CommandLine.h"
#include "frame/FirstStart.h"
#include "frame/TApplication.h"
#include "frame/TFormMain.h"
#include "reminders/TFormShowAlam.h"
#include "store/FixedKeyWarmup.h"
#include "store/TDbAccess.h"
#include "widgets/Fonts.h"

#include <QFile>
#include <QFileInfo>
#include <QSessionManager>
#include <QWidget>

namespace {

// Where the toolkit will say the executable is, known before the toolkit starts.
QString executableFolder()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

} // namespace

int main(int argc, char** argv)
{
    // Imports, exports, --help and --version run without any window or display.
    if (const std::optional<int> rc = CommandLine::RunIfAsked(argc, argv)) {
        return *rc;
    }
    // The fixed key's slow derivation and the font configuration are done on other
    // cores while the toolkit starts.
    const FixedKeyWarmup keyWarmup(AppPaths::FolderFor(executableFolder()) + DbFile::kFileName);
    std::jthread fontConfig = ReadFontConfigAhead();
    const bool chosePlatform = DisplayPlatform::Apply(argc, argv);
    TApplication app(argc, argv);
    if (chosePlatform) {
        DisplayPlatform::Forget();
    }
    const std::jthread sessionBus = ConnectSessionBusAhead();
    TApplication::installChineseTranslations();

    // Installed, the program keeps its data in the user's data folder and makes
    // it on the first start; anywhere else it uses what lies beside it.
    const bool installed = AppPaths::IsInstalledLayout(QCoreApplication::applicationDirPath());
    if (installed && !FirstStart::MakeDataFolder(AppPath())) {
        return 1;
    }
    // A second start only brings the running copy's window forward.
    SingleInstance instance(AppPath() + DbFile::kFileName);
    if (!instance.Claim()) {
        return 0;
    }
    if (installed && !FirstStart::MakeDatabaseIfMissing(AppPath() + DbFile::kFileName)) {
        return 1;
    }

    // What the window's first texts need, while the key is still being derived.
    WarmUpFonts(fontConfig);

    TDbAccess db;
    DbAccess = &db;
    // A second start during the login brings the login dialog forward.
    const QMetaObject::Connection duringLogin = QObject::connect(&instance, &SingleInstance::showRequested, &app, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->raise();
            modal->activateWindow();
        }
    });
    if (!TApplication::ConnectDatabase(db)) {
        return 1;
    }
    QObject::disconnect(duringLogin);

    int rc = 0;
    {
        TFormMain window;
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, &TFormMain::commitData);
        QObject::connect(&instance, &SingleInstance::showRequested, &window, &TFormMain::ShowRequested);
        window.ShowThenLoad();
        // A cancelled login asks to end before the loop runs: nothing more happens.
        if (!TerminateRequested()) {
            rc = app.exec();
        }
        // Alerts still open belong to no window: free them before the database goes.
        TFormShowAlam::CloseAll();
    }
    DbAccess = nullptr;
    return rc;
}
