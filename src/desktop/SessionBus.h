#pragma once

#include <thread>

// The first widget that names itself for screen readers connects the program to
// the session bus, and the main thread waits for that handshake (on a desktop
// without a running bus, for the bus to be started). Started right after the
// toolkit, this connects on another thread while the main thread reads the
// database and builds the window, so the widget finds the bus ready. The thread
// is joined when the returned object goes.
std::jthread ConnectSessionBusAhead();
