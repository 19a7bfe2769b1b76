#include "MainWindowRef.h"

#include <QPointer>
#include <QWidget>

namespace {
QPointer<QWidget> g_mainWindow;
}

QWidget* MainWindow()
{
    return g_mainWindow.data();
}

void setMainWindow(QWidget* window)
{
    g_mainWindow = window;
}
