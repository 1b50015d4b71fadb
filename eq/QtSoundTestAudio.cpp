#include "eq/QtSoundTestAudio.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>

namespace {

SoundTestOutput toOutput(const QAudioDevice &device)
{
    if (device.isNull())
        return {};
    return {device.id(), device.description()};
}

} // namespace

QtSoundTestAudio::QtSoundTestAudio(QObject *parent)
    : ISoundTestAudio(parent), m_output(new QAudioOutput(this)), m_player(new QMediaPlayer(this)),
      m_devices(new QMediaDevices(this))
{
    m_output->setVolume(1.0f);
    m_output->setMuted(false);
    m_player->setAudioOutput(m_output);
    m_player->setLoops(QMediaPlayer::Infinite);
    connect(m_devices, &QMediaDevices::audioOutputsChanged, this, &ISoundTestAudio::outputsChanged);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &ISoundTestAudio::errorOccurred);
}

QtSoundTestAudio::~QtSoundTestAudio()
{
    // The clip device belongs to the widget and may go first: let go of it now.
    m_player->stop();
    m_player->setSourceDevice(nullptr);
}

QList<SoundTestOutput> QtSoundTestAudio::outputs() const
{
    QList<SoundTestOutput> list;
    for (const QAudioDevice &device : QMediaDevices::audioOutputs())
        list.append(toOutput(device));
    return list;
}

SoundTestOutput QtSoundTestAudio::defaultOutput() const
{
    return toOutput(QMediaDevices::defaultAudioOutput());
}

QByteArray QtSoundTestAudio::currentOutputId() const
{
    return m_output->device().id();
}

void QtSoundTestAudio::setOutput(const SoundTestOutput &output)
{
    for (const QAudioDevice &device : QMediaDevices::audioOutputs()) {
        if (device.id() == output.id) {
            m_output->setDevice(device);
            return;
        }
    }
}

void QtSoundTestAudio::play(QIODevice *clip, const QUrl &sourceName)
{
    m_player->setSource(QUrl());
    m_player->setSourceDevice(clip, sourceName);
    m_player->play();
}

void QtSoundTestAudio::stop()
{
    m_player->stop();
    m_player->setSource(QUrl());
}

bool QtSoundTestAudio::isStopped() const
{
    return m_player->playbackState() == QMediaPlayer::StoppedState;
}
