#include "tests/eq/FakeSoundTestAudio.h"

#include <QFile>

void FakeSoundTestAudio::setOutputs(const QList<SoundTestOutput> &outputs, const SoundTestOutput &defaultOutput)
{
    m_outputs = outputs;
    m_default = defaultOutput;
    emit outputsChanged();
}

void FakeSoundTestAudio::failPlayback(const QString &message)
{
    emit errorOccurred(QMediaPlayer::ResourceError, message);
}

void FakeSoundTestAudio::setOutput(const SoundTestOutput &output)
{
    m_current = output.id;
    outputChanges.append(output.id);
}

void FakeSoundTestAudio::play(QIODevice *clip, const QUrl &sourceName)
{
    ++playCalls;
    lastSource = sourceName;
    auto *file = qobject_cast<QFile *>(clip);
    lastClipName = file ? file->fileName() : QString();
    lastClipHeader = clip && clip->isOpen() ? clip->peek(12) : QByteArray();
    m_playing = true;
}

void FakeSoundTestAudio::stop()
{
    ++stopCalls;
    m_playing = false;
}
