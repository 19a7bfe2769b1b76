#include "SoundOutput.h"

#include "WavPcm.h"

#include <cstdint>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>

namespace {

// The few declarations of the client library's simple interface that are used,
// so that building needs none of its development files. Values as its ABI fixes them.
struct pa_simple;
struct SampleFormat
{
    int format;
    uint32_t rate;
    uint8_t channels;
};
constexpr int kSampleU8 = 0;
constexpr int kSampleS16LE = 3;
constexpr int kStreamPlayback = 1;

using NewFn = pa_simple* (*)(const char* server, const char* name, int dir, const char* dev, const char* stream,
                             const SampleFormat* format, const void* map, const void* attr, int* error);
using WriteFn = int (*)(pa_simple* s, const void* data, size_t bytes, int* error);
using DrainFn = int (*)(pa_simple* s, int* error);
using FreeFn = void (*)(pa_simple* s);
using StrerrorFn = const char* (*)(int error);

struct Client
{
    NewFn open = nullptr;
    WriteFn write = nullptr;
    DrainFn drain = nullptr;
    FreeFn free = nullptr;
    StrerrorFn strerror = nullptr;
    QString missing;
};

// Loaded once and kept: a library that unloads with threads of its own still
// running would pull code from under them.
const Client& client(const char* library)
{
    static std::mutex lock;
    static std::map<std::string, Client> loaded;
    const std::lock_guard<std::mutex> hold(lock);
    auto [it, fresh] = loaded.try_emplace(library);
    Client& c = it->second;
    if (!fresh) {
        return c;
    }
    void* const handle = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        c.missing = QString::fromLocal8Bit(::dlerror());
        return c;
    }
    c.open = reinterpret_cast<NewFn>(::dlsym(handle, "pa_simple_new"));
    c.write = reinterpret_cast<WriteFn>(::dlsym(handle, "pa_simple_write"));
    c.drain = reinterpret_cast<DrainFn>(::dlsym(handle, "pa_simple_drain"));
    c.free = reinterpret_cast<FreeFn>(::dlsym(handle, "pa_simple_free"));
    c.strerror = reinterpret_cast<StrerrorFn>(::dlsym(handle, "pa_strerror"));
    if (!c.open || !c.write || !c.drain || !c.free || !c.strerror) {
        c.open = nullptr;
        c.missing = QStringLiteral("%1: not the expected sound client library").arg(QString::fromLocal8Bit(library));
    }
    return c;
}

} // namespace

namespace SoundOutput {

bool play(const WavPcm& pcm, QString* why, const char* library)
{
    const Client& c = client(library);
    if (!c.open) {
        *why = c.missing;
        return false;
    }
    const SampleFormat format{pcm.bits == 8 ? kSampleU8 : kSampleS16LE, uint32_t(pcm.rate), uint8_t(pcm.channels)};
    int error = 0;
    pa_simple* const stream =
        c.open(nullptr, "Vornet-Halvik", kStreamPlayback, nullptr, "定时提醒", &format, nullptr, nullptr, &error);
    if (!stream) {
        *why = QString::fromLocal8Bit(c.strerror(error));
        return false;
    }
    const bool played = c.write(stream, pcm.samples.constData(), size_t(pcm.samples.size()), &error) == 0 &&
                        c.drain(stream, &error) == 0;
    if (!played) {
        *why = QString::fromLocal8Bit(c.strerror(error));
    }
    c.free(stream);
    return played;
}

} // namespace SoundOutput
