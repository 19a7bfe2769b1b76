#pragma once

#include <QString>

struct WavPcm;

// The desktop's sound server, reached through its client library, which is
// loaded on the first call only: nothing of it is mapped while the program starts.
namespace SoundOutput {

inline constexpr const char* kClientLibrary = "libpulse-simple.so.0";

// Plays `pcm` to its end and returns when it has sounded. False, with the reason
// in `why`, where the library, the server or its device is missing.
bool play(const WavPcm& pcm, QString* why, const char* library = kClientLibrary);

} // namespace SoundOutput
