#include "SessionBus.h"

#include <QDBusConnection>

std::jthread ConnectSessionBusAhead()
{
    // The connection lives on the toolkit's own bus thread; this one only waits.
    return std::jthread([] { QDBusConnection::sessionBus(); });
}
