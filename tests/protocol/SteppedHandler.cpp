#include "SteppedHandler.h"

using namespace HeadsetProtocol;

ProtocolHandlerSettings SteppedHandler::withSteps(std::deque<std::function<void()>> &steps)
{
    ProtocolHandlerSettings settings;
    settings.deferStep = [&steps](std::function<void()> step) { steps.push_back(std::move(step)); };
    return settings;
}

SteppedHandler::SteppedHandler() : m_fixture(withSteps(m_steps))
{
    m_nextSweepMs = m_fixture.nowMs + SweepIntervalMs;
}

void SteppedHandler::feed(const QByteArray &data)
{
    feed(data, m_fixture.nowMs);
}

void SteppedHandler::feed(const QByteArray &data, qint64 readMs)
{
    m_fixture.feed(data, readMs);
    runSteps();
}

void SteppedHandler::advance(qint64 ms)
{
    const qint64 target = m_fixture.nowMs + ms;
    while (m_nextSweepMs <= target) {
        m_fixture.nowMs = m_nextSweepMs;
        m_nextSweepMs += SweepIntervalMs;
        m_fixture.handler.cleanupTimeouts();
        runSteps();
    }
    m_fixture.nowMs = target;
}

void SteppedHandler::runSteps()
{
    while (!m_steps.empty()) {
        const std::function<void()> step = std::move(m_steps.front());
        m_steps.pop_front();
        step();
    }
}
