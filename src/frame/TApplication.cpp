#include "TApplication.h"

#include "base/AppIcon.h"
#include "base/AppPath.h"
#include "base/Application.h"
#include "base/ExceptionHandler.h"
#include "base/Messages.h"
#include "settings/TFormPass.h"
#include "store/TDbAccess.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vornet-Halvik"));
    // The tray keeps the program alive while its window is hidden; it ends only
    // through the close question.
    setQuitOnLastWindowClosed(false);
    setWindowIcon(AppIcon());
    // Wayland desktops find the menu entry, and with it the icon, by this name.
    setDesktopFileName(AppPaths::kAppId);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ExceptionHandler.HandleException(std::current_exception());
        return false;
    }
}

bool TApplication::ConnectDatabase(TDbAccess& db)
{
    QString error;
    if (db.Connect(&error)) {
        return true;
    }
    if (db.NeedsPassword()) {
        // Keyed with the login password: what the user types is tried as the key.
        auto result = TDbAccess::KeyResult::WrongKey;
        const int answer = AskPasswordFor(QStringLiteral("先输入密码登录软件"), [&](const QString& typed) {
            result = db.ConnectWith(DbKey::fromPassword(typed), &error);
            return result != TDbAccess::KeyResult::WrongKey;
        });
        if (answer != mrOk) {
            RequestTerminate(); // the user chose not to log in: nothing to say
            return false;
        }
        if (result == TDbAccess::KeyResult::Opened) {
            return true;
        }
    }
    ShowErrorDetail(QStringLiteral("数据库连接失败！"), error);
    RequestTerminate();
    return false;
}

void TApplication::installChineseTranslations()
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}
