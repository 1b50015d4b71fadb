#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

#include <atomic>

// A worker-thread object for the ThreadSanitizer self-check: correct
// hand-offs through Qt's event queue, and writes that race on purpose with
// the check's own thread.
class RaceProbe : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Written by the check before it posts a call that reads it here.
    int inbox = 0;
    // Touched by both threads without a lock in the racy checks.
    int unguarded = 0;
    // Relaxed on both sides: tells the other thread a write is done without
    // ordering anything for TSan.
    std::atomic<bool> written{false};

    void writeUnguarded(int value);
    // Keeps this thread inside one event while `go` is false, so that what is
    // posted meanwhile is delivered without the thread waking up for it
    // (TSan sees the wake-up, not the queue). Bounded.
    void holdUntil(const std::atomic<bool> &go);
    static void spinUntil(const std::atomic<bool> &flag);

public slots:
    void echo(const QByteArray &payload);
    void echoInbox();
    // Builds the entries on this thread, hands them over in one signal, then
    // sets `written`.
    void collect(int count);
    // Emits, then writes: the emission orders nothing that follows it.
    void pingThenWrite(int value);

signals:
    void echoed(const QByteArray &payload);
    void collected(const QList<QByteArray> &entries);
    void pinged();
};
