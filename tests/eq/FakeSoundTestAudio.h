#pragma once

#include "eq/ISoundTestAudio.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

// The sound test's audio without a sound card: a list of outputs that the
// test sets, a player that only records what it was asked to play, and the
// player's errors on demand.
class FakeSoundTestAudio : public ISoundTestAudio
{
    Q_OBJECT
public:
    using ISoundTestAudio::ISoundTestAudio;

    // Replaces the system's outputs and announces the change.
    void setOutputs(const QList<SoundTestOutput> &outputs, const SoundTestOutput &defaultOutput);
    void failPlayback(const QString &message);

    QList<SoundTestOutput> outputs() const override { return m_outputs; }
    SoundTestOutput defaultOutput() const override { return m_default; }
    QByteArray currentOutputId() const override { return m_current; }
    void setOutput(const SoundTestOutput &output) override;

    void play(QIODevice *clip, const QUrl &sourceName) override;
    void stop() override;
    bool isStopped() const override { return !m_playing; }

    int playCalls = 0;
    int stopCalls = 0;
    QList<QByteArray> outputChanges;
    QUrl lastSource;
    QString lastClipName;     // the file name of the clip device
    QByteArray lastClipHeader; // its first bytes, read without consuming them

private:
    QList<SoundTestOutput> m_outputs;
    SoundTestOutput m_default;
    QByteArray m_current;
    bool m_playing = false;
};
