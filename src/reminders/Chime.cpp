#include "Chime.h"

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace {

std::function<void()> g_player;

QSoundEffect* effect()
{
    static QSoundEffect* sound = [] {
        auto* s = new QSoundEffect(qApp);
        s->setSource(QUrl(QStringLiteral("qrc:/chime.wav")));
        s->setVolume(0.8f);
        return s;
    }();
    return sound;
}

} // namespace

namespace Chime {

void play()
{
    if (g_player) {
        g_player();
        return;
    }
    if (QMediaDevices::audioOutputs().isEmpty() || effect()->status() == QSoundEffect::Error) {
        QApplication::beep();
        return;
    }
    effect()->play();
}

void setPlayer(std::function<void()> player)
{
    g_player = std::move(player);
}

} // namespace Chime
