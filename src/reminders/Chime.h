#pragma once

#include <functional>

// The reminder chime: the program's own sound, played without waiting for it;
// the desktop's beep where no sound can be played.
namespace Chime {

void play();

// Tests record the chime instead of sounding it; empty restores.
void setPlayer(std::function<void()> player);

} // namespace Chime
