#pragma once

#include <thread>

// The first widget that names itself for screen readers connects the program to
// the session bus, and the main thread waits for that handshake (on a desktop
// without a running bus, for the bus to be started). Made right after the
// toolkit starts, this connects on another thread while the main thread reads
// the database and builds the window, so the widget finds the bus ready.
class SessionBusWarmup
{
public:
    SessionBusWarmup();
    ~SessionBusWarmup(); // waits for the connection
    SessionBusWarmup(const SessionBusWarmup&) = delete;
    SessionBusWarmup& operator=(const SessionBusWarmup&) = delete;

private:
    std::thread m_thread;
};
