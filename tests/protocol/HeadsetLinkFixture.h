#pragma once

#include "HandlerProbe.h"
#include "VirtualHeadsetHarness.h"

#include "protocol/ProtocolHandler.h"
#include "tests/support/testlog/LogCapture.h"
#include "tests/support/virtualheadset/VirtualHeadset.h"

#include <QMetaObject>
#include <QThread>

#include <atomic>
#include <memory>

// A ProtocolHandler on a protocol thread of its own, wired to a virtual
// headset. Handler and engine share a hand-driven clock; signals are watched
// through a probe on the test's thread.
class HeadsetLinkFixture
{
public:
    explicit HeadsetLinkFixture(VirtualDevices::VirtualHeadsetConfig config = {},
                                VirtualDevices::HeadsetState state = {});
    ~HeadsetLinkFixture();

    std::atomic<qint64> nowMs{1'000'000};
    VirtualDevices::VirtualHeadset engine;
    LogCapture log;

    HeadsetProtocol::ProtocolHandler &handler() { return *m_handler; }
    HandlerProbe &probe() { return *m_probe; }

    // Runs `op` on the protocol thread and returns its result.
    template <typename Op>
    auto call(Op op)
    {
        using Result = decltype(op(*m_handler));
        if constexpr (std::is_void_v<Result>) {
            QMetaObject::invokeMethod(m_handler, [&] { op(*m_handler); }, Qt::BlockingQueuedConnection);
        } else {
            Result result{};
            QMetaObject::invokeMethod(m_handler, [&] { result = op(*m_handler); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }

    // Queues `op` onto the protocol thread without waiting for it.
    template <typename Op>
    void post(Op op)
    {
        QMetaObject::invokeMethod(m_handler, [this, op] { op(*m_handler); }, Qt::QueuedConnection);
    }

    // Advances the shared clock and delivers what became due.
    void advance(qint64 ms);
    void sweep();
    VirtualDevices::Clock::time_point engineTime() const;
    // True once a log line containing `part` was written.
    bool waitForLog(const QString &part, int timeoutMs = 5000) { return log.waitForSubstring(part, timeoutMs); }

private:
    QThread m_thread;
    HeadsetProtocol::ProtocolHandler *m_handler = nullptr;
    VirtualHeadsetHarness *m_harness = nullptr;
    std::unique_ptr<HandlerProbe> m_probe;
};
