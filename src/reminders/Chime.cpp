#include "Chime.h"

#include "SoundOutput.h"
#include "WavPcm.h"

#include <QApplication>
#include <QFile>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

constexpr double kVolume = 0.8;

std::function<void()> g_player;
std::function<void()> g_beep;

void beep()
{
    if (g_beep) {
        g_beep();
    } else {
        QApplication::beep();
    }
}

std::optional<WavPcm> chimeSound()
{
    QFile file(QStringLiteral(":/chime.wav"));
    std::optional<WavPcm> pcm = file.open(QIODevice::ReadOnly) ? ReadWav(file.readAll()) : std::nullopt;
    if (pcm) {
        ScaleVolume(*pcm, kVolume);
    }
    return pcm;
}

class Sounder;

// Lives in the main thread; the beep is handed to it because the desktop's beep
// belongs to the thread that talks to the display.
class BeepTarget : public QObject
{
public:
    BeepTarget(Sounder* sounder);
    ~BeepTarget() override;

private:
    Sounder* m_sounder;
};

// One thread that sounds the chime, started by the first one. It is never
// stopped or joined: a chime still sounding when the program ends must not hold
// the end up, and nothing it uses is freed before then.
class Sounder
{
public:
    static Sounder& instance()
    {
        static Sounder* const sounder = new Sounder;
        return *sounder;
    }

    void request()
    {
        {
            const std::lock_guard<std::mutex> hold(m_beepLock);
            if (!m_target && qApp) {
                m_target = new BeepTarget(this);
            }
        }
        const std::lock_guard<std::mutex> hold(m_lock);
        if (m_pending || m_busy) {
            return;
        }
        m_pending = true;
        if (!m_started) {
            std::thread([this] { run(); }).detach();
            m_started = true;
        }
        m_wake.notify_one();
    }

    void forget(BeepTarget* target)
    {
        const std::lock_guard<std::mutex> hold(m_beepLock);
        if (m_target == target) {
            m_target = nullptr;
        }
    }

private:
    void run()
    {
        std::optional<WavPcm> sound = chimeSound();
        for (;;) {
            std::unique_lock<std::mutex> hold(m_lock);
            m_wake.wait(hold, [this] { return m_pending; });
            m_pending = false;
            m_busy = true;
            hold.unlock();
            QString why;
            const bool sounded = sound && SoundOutput::play(*sound, &why);
            hold.lock();
            m_busy = false;
            hold.unlock();
            if (!sounded) {
                postBeep();
            }
        }
    }

    void postBeep()
    {
        const std::lock_guard<std::mutex> hold(m_beepLock);
        if (m_target) {
            QMetaObject::invokeMethod(m_target, &beep, Qt::QueuedConnection);
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_started = false;
    bool m_pending = false;
    bool m_busy = false;
    std::mutex m_beepLock;
    BeepTarget* m_target = nullptr;
};

BeepTarget::BeepTarget(Sounder* sounder) : QObject(qApp), m_sounder(sounder)
{}

BeepTarget::~BeepTarget()
{
    m_sounder->forget(this);
}

} // namespace

namespace Chime {

void play()
{
    if (g_player) {
        g_player();
        return;
    }
    Sounder::instance().request();
}

void setPlayer(std::function<void()> player)
{
    g_player = std::move(player);
}

void setBeep(std::function<void()> beep)
{
    g_beep = std::move(beep);
}

} // namespace Chime
