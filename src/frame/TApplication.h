#pragma once

#include <QApplication>

class TDbAccess;

// The application object. Its notify() is the last net under every event handler:
// an exception that a handler let through is reported, never carried across Qt.
class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Connects the database. A file keyed with a password is opened with what the
    // user types in the login dialog (cancelling it ends the program silently).
    // On failure shows "数据库连接失败！" with the engine's text and asks the
    // program to end.
    static bool ConnectDatabase(TDbAccess& db);
    // Standard buttons and file dialogs in Simplified Chinese.
    static void installChineseTranslations();
};
