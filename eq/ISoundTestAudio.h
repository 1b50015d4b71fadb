#pragma once

#include <QByteArray>
#include <QList>
#include <QMediaPlayer>
#include <QObject>
#include <QString>
#include <QUrl>

class QIODevice;

// One audio output of the system as the sound test sees it.
struct SoundTestOutput
{
    QByteArray id; // empty: no device
    QString description;
};

// The audio side of the sound test: the system's outputs, the output in use,
// and a looping player that reads a clip from an open device. The widget owns
// the device; the player only reads it. GUI thread only.
class ISoundTestAudio : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ISoundTestAudio() override = default;

    // In the order the system lists them.
    virtual QList<SoundTestOutput> outputs() const = 0;
    virtual SoundTestOutput defaultOutput() const = 0;
    virtual QByteArray currentOutputId() const = 0;
    virtual void setOutput(const SoundTestOutput &output) = 0;

    // Replaces the source and starts playing it in an endless loop.
    virtual void play(QIODevice *clip, const QUrl &sourceName) = 0;
    // Stops and drops the source.
    virtual void stop() = 0;
    virtual bool isStopped() const = 0;

signals:
    void outputsChanged();
    void errorOccurred(QMediaPlayer::Error error, const QString &errorString);
};
