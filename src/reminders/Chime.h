#pragma once

#include <functional>

// The reminder chime: the program's own sound, played without waiting for it;
// the desktop's beep where no sound can be played. The sound system is loaded
// with the first chime, on a thread of its own, so the window never waits for it.
// A chime asked for while one is still sounding is not played again: the one
// sounding serves both.
namespace Chime {

void play();

// Tests record the chime instead of sounding it; empty restores.
void setPlayer(std::function<void()> player);
// Tests hear the beep that stands in for a chime that cannot sound; empty restores.
void setBeep(std::function<void()> beep);

} // namespace Chime
