#include "SessionBusWarmup.h"

#include <QDBusConnection>

SessionBusWarmup::SessionBusWarmup()
    : m_thread([] {
          // The connection lives on the toolkit's own bus thread; this one only waits.
          QDBusConnection::sessionBus();
      })
{}

SessionBusWarmup::~SessionBusWarmup()
{
    m_thread.join();
}
