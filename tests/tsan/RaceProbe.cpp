#include "RaceProbe.h"

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

void RaceProbe::holdUntil(const std::atomic<bool> &go)
{
    spinUntil(go);
}

void RaceProbe::pingThenWrite(int value)
{
    emit pinged();
    writeUnguarded(value);
}
