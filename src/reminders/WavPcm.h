#pragma once

#include <QByteArray>
#include <optional>

// Uncompressed PCM read from a RIFF WAVE file: 8-bit unsigned or 16-bit signed
// little-endian samples, one or two channels, frames interleaved.
struct WavPcm
{
    int rate = 0;
    int channels = 0;
    int bits = 0;
    QByteArray samples;
};

// Empty when the bytes are not such a file, or it holds no whole frame.
std::optional<WavPcm> ReadWav(const QByteArray& file);

// Scales every sample by `volume` (0..1), as a player's volume would.
void ScaleVolume(WavPcm& pcm, double volume);
