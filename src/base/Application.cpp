#include "Application.h"

#include <QCoreApplication>

namespace {
bool g_terminate = false;
}

void RequestTerminate()
{
    g_terminate = true;
    if (QCoreApplication::instance()) {
        QCoreApplication::quit();
    }
}

bool TerminateRequested()
{
    return g_terminate;
}

void ClearTerminateRequest()
{
    g_terminate = false;
}
