#include "RaceProbe.h"

#include <QMetaObject>

#include <chrono>

void RaceProbe::spinUntil(const std::atomic<bool> &flag)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!flag.load(std::memory_order_relaxed) && std::chrono::steady_clock::now() < deadline) {
    }
}

void RaceProbe::writeUnguarded(int value)
{
    unguarded = value;
    written.store(true, std::memory_order_relaxed);
}

int RaceProbe::readUnguarded() const
{
    return unguarded;
}

void RaceProbe::holdUntil(const std::atomic<bool> &flag)
{
    spinUntil(flag);
}

void RaceProbe::readInALaterCall()
{
    spinUntil(go);
    QMetaObject::invokeMethod(
        this,
        [this] {
            inbox = readUnguarded();
            written.store(true, std::memory_order_relaxed);
        },
        Qt::QueuedConnection);
}

void RaceProbe::pingThenRead()
{
    spinUntil(go);
    emit pinged();
    inbox = readUnguarded();
    written.store(true, std::memory_order_relaxed);
}

void RaceProbe::emitPayload()
{
    spinUntil(go);
    emit payloadReady(payload);
    written.store(true, std::memory_order_relaxed);
}

void RaceProbe::emitNumber()
{
    spinUntil(go);
    emit numberChanged(number);
    written.store(true, std::memory_order_relaxed);
}

void RaceProbe::echo(const QByteArray &payload)
{
    emit echoed(payload + '!');
}

void RaceProbe::echoInbox()
{
    emit echoed(QByteArray::number(inbox));
}

void RaceProbe::collect(int count)
{
    QList<QByteArray> entries;
    for (int i = 0; i < count; ++i)
        entries.append(QByteArray::number(i));
    emit collected(entries);
    written.store(true, std::memory_order_relaxed);
}

void RaceProbe::pingThenWrite(int value)
{
    emit pinged();
    writeUnguarded(value);
}

void RaceProbe::writeThenPing(int value)
{
    unguarded = value;
    emit pinged();
    written.store(true, std::memory_order_relaxed);
}
