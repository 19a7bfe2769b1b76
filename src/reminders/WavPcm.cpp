#include "WavPcm.h"

#include <QtEndian>
#include <cmath>

namespace {

quint32 u32(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

quint16 u16(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}

} // namespace

std::optional<WavPcm> ReadWav(const QByteArray& file)
{
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE") {
        return std::nullopt;
    }
    // The RIFF size may overstate a file cut short; the chunks themselves decide.
    const char* const base = file.constData();
    const qsizetype end = file.size();
    std::optional<WavPcm> format;
    qsizetype at = 12;
    while (end - at >= 8) {
        const QByteArray id = file.mid(at, 4);
        const qsizetype size = u32(base + at + 4);
        const qsizetype body = at + 8;
        if (size > end - body) {
            return std::nullopt;
        }
        if (id == "fmt ") {
            if (size < 16) {
                return std::nullopt;
            }
            const char* const f = base + body;
            const quint16 tag = u16(f);
            WavPcm pcm;
            pcm.channels = u16(f + 2);
            pcm.rate = int(u32(f + 4));
            pcm.bits = u16(f + 14);
            const int blockAlign = u16(f + 12);
            if (tag != 1 || (pcm.bits != 8 && pcm.bits != 16) || pcm.channels < 1 || pcm.channels > 2 ||
                pcm.rate < 1000 || pcm.rate > 192000 || blockAlign != pcm.channels * pcm.bits / 8) {
                return std::nullopt;
            }
            format = pcm;
        } else if (id == "data") {
            if (!format) {
                return std::nullopt;
            }
            const qsizetype frame = format->channels * format->bits / 8;
            format->samples = file.mid(body, size - size % frame);
            if (format->samples.isEmpty()) {
                return std::nullopt;
            }
            return format;
        }
        // Chunks are padded to an even length.
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

void ScaleVolume(WavPcm& pcm, double volume)
{
    char* p = pcm.samples.data();
    const qsizetype n = pcm.samples.size();
    if (pcm.bits == 16) {
        for (qsizetype i = 0; i + 1 < n; i += 2) {
            const auto v = qint16(qFromLittleEndian<quint16>(p + i));
            qToLittleEndian<quint16>(quint16(qint16(std::lround(v * volume))), p + i);
        }
    } else {
        for (qsizetype i = 0; i < n; ++i) {
            const int v = int(quint8(p[i])) - 128;
            p[i] = char(quint8(128 + std::lround(v * volume)));
        }
    }
}
