#pragma once

#include "eq/ISoundTestAudio.h"

class QAudioOutput;
class QMediaDevices;
class QMediaPlayer;

// The sound test's audio through Qt Multimedia: a QMediaPlayer on a
// QAudioOutput (full volume, not muted) and the system's outputs from
// QMediaDevices.
class QtSoundTestAudio : public ISoundTestAudio
{
    Q_OBJECT
public:
    explicit QtSoundTestAudio(QObject *parent = nullptr);
    ~QtSoundTestAudio() override;

    QList<SoundTestOutput> outputs() const override;
    SoundTestOutput defaultOutput() const override;
    QByteArray currentOutputId() const override;
    void setOutput(const SoundTestOutput &output) override;

    void play(QIODevice *clip, const QUrl &sourceName) override;
    void stop() override;
    bool isStopped() const override;

    QMediaPlayer *player() const { return m_player; }
    QAudioOutput *audioOutput() const { return m_output; }

private:
    QAudioOutput *m_output;
    QMediaPlayer *m_player;
    QMediaDevices *m_devices;
};
