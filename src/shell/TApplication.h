#pragma once

#include <QApplication>

// The application object. Its notify() is the last net under every event handler:
// an exception that a handler let through is reported, never carried across Qt.
class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Standard buttons and file dialogs in Simplified Chinese.
    static void installChineseTranslations();
};
