#pragma once

#include "HandlerFixture.h"

#include <QByteArray>

#include <deque>
#include <functional>

// A handler fixture whose deferred receive steps run here, in order, as soon
// as they are queued, and whose sweep runs once a second of the hand-driven
// clock, as its cleanup timer would: nothing but the clock tells a pause.
class SteppedHandler
{
public:
    static constexpr qint64 SweepIntervalMs = 1000;

    SteppedHandler();

    HandlerFixture &fixture() { return m_fixture; }
    HeadsetProtocol::ProtocolHandler &handler() { return m_fixture.handler; }
    qint64 nowMs() const { return m_fixture.nowMs; }

    // Hands the data in and processes every frame it completes; without a
    // read time the data counts as read now.
    void feed(const QByteArray &data);
    void feed(const QByteArray &data, qint64 readMs);
    // Lets `ms` pass, with the sweeps that fall due on the way.
    void advance(qint64 ms);

private:
    static HeadsetProtocol::ProtocolHandlerSettings withSteps(std::deque<std::function<void()>> &steps);
    void runSteps();

    std::deque<std::function<void()>> m_steps; // before the fixture, whose handler queues into it
    HandlerFixture m_fixture;
    qint64 m_nextSweepMs = 0;
};
