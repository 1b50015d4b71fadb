#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

#include <atomic>

// A worker-thread object for the ThreadSanitizer self-check: correct
// hand-offs through Qt's event queue, and accesses that race on purpose with
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
    QByteArray payload;
    int number = 0;
    // Relaxed on both sides: tell the other thread that a step is done
    // without ordering anything for TSan. Each in an 8-byte shadow cell of its
    // own: the loads spinning on a flag would otherwise push a racing access
    // to a field beside it out of TSan's history of that cell.
    alignas(8) std::atomic<bool> written{false};
    alignas(8) std::atomic<bool> go{false};
    alignas(8) std::atomic<bool> inside{false};

    void writeUnguarded(int value);
    int readUnguarded() const;
    // Keeps this thread inside one event while `flag` is false, so that what is
    // posted meanwhile is delivered without the thread waking up for it
    // (TSan sees the wake-up, not the queue). Bounded.
    void holdUntil(const std::atomic<bool> &flag);
    static void spinUntil(const std::atomic<bool> &flag);

    // Each waits for `go`, does its part and then sets `written`.
    // Reads `unguarded` in a call it posts to itself: a call of its own, which
    // orders nothing done by another thread.
    void readInALaterCall();
    // Emits `pinged` (whatever is connected to it), then reads `unguarded`.
    void pingThenRead();
    // Emit a member by const reference.
    void emitPayload();
    void emitNumber();

public slots:
    void echo(const QByteArray &payload);
    void echoInbox();
    // Builds the entries on this thread, hands them over in one signal, then
    // sets `written`.
    void collect(int count);
    // Emits, then writes: the emission orders nothing that follows it.
    void pingThenWrite(int value);
    // Writes, then emits, then sets `written`.
    void writeThenPing(int value);

signals:
    void echoed(const QByteArray &payload);
    void collected(const QList<QByteArray> &entries);
    void pinged();
    void payloadReady(const QByteArray &payload);
    void numberChanged(const int &number);
};
