#pragma once

#include "tests/support/virtualdevice/IReportResponder.h"
#include "tests/support/virtualheadset/HeadsetPayloads.h"
#include "tests/support/virtualheadset/HeadsetState.h"
#include "tests/support/virtualheadset/HeadsetWire.h"
#include "tests/support/virtualheadset/HostReportDecoder.h"
#include "tests/support/virtualheadset/ReplyFault.h"
#include "tests/support/virtualheadset/ReportOutbox.h"
#include "tests/support/virtualheadset/VirtualHeadsetConfig.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace VirtualDevices {

// A 2.4 GHz receiver with its headset behind one HID interface, on the byte
// level: host reports in (onHostReport), device reports out (takeDeviceReport).
// Every host command is answered from HeadsetState; faults are scripted per
// request or passed with an unsolicited message. Time comes in as arguments,
// so a fake clock drives delays. Thread-safe; no Qt.
class VirtualHeadset final : public IReportResponder
{
public:
    explicit VirtualHeadset(VirtualHeadsetConfig config = {}, HeadsetState state = {});

    // IReportResponder
    void onHostReport(const Report &report, Clock::time_point now) override;
    std::optional<Report> takeDeviceReport(Clock::time_point now) override;
    std::optional<Clock::time_point> nextDueTime() const override;
    void setReportReadyCallback(std::function<void()> callback) override;

    // What the device holds. A factory reset restores the settings given at
    // construction.
    HeadsetState state() const;
    void setState(HeadsetState state);
    // Changes the state atomically; `change` must not call back into the engine.
    void updateState(const std::function<void(HeadsetState &)> &change);
    VirtualHeadsetConfig config() const;
    void setConfig(VirtualHeadsetConfig config);

    // The next `times` requests that match get `fault` (times < 0: until
    // cleared). Rules are tried in the order they were scripted.
    void scriptFault(RequestMatch match, ReplyFault fault, int times = 1);
    void clearFaults();

    // Unsolicited traffic, due at now + fault.delay.
    void notify(const std::vector<NotifyItem> &items, Clock::time_point now, const ReplyFault &fault = {});
    // Any message, e.g. a request from the device or a foreign notification.
    void sendMessage(std::uint16_t command, HeadsetWire::FrameType type, std::uint8_t sequence, const Bytes &payload,
                     Clock::time_point now, const ReplyFault &fault = {});
    // A report exactly as given, nothing added.
    void sendReport(Report report, Clock::time_point due);

    // Observations for asserts.
    std::vector<HostRequest> requests() const;
    std::vector<RejectedReport> rejectedReports() const;
    int commandCount(std::uint16_t command) const;
    int basicInfoCount(std::uint8_t infoType) const;
    std::size_t pendingReportCount() const;
    void clearLog();
    // Blocks until at least `count` host messages were logged since the last
    // clearLog, or the timeout passed (real time). For transports with their own threads.
    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    struct FaultRule
    {
        RequestMatch match;
        ReplyFault fault;
        int remaining = 1;
    };

    ReplyFault takeFault(const HostRequest &request);
    void answer(const HostRequest &request, Clock::time_point now);
    void postLocked(std::uint16_t command, HeadsetWire::FrameType type, std::uint8_t sequence, const Bytes &payload,
                    const ReplyFault &fault, Clock::time_point due);
    std::uint8_t nextDeviceSequence();
    void signalReady();

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_requestLogged;
    VirtualHeadsetConfig m_config;
    HeadsetState m_state;
    const HeadsetState m_factory;
    HostReportDecoder m_decoder;
    ReportOutbox m_outbox;
    std::vector<FaultRule> m_faults;
    std::vector<HostRequest> m_requests;
    std::vector<RejectedReport> m_rejected;
    std::map<std::uint16_t, int> m_commandCounts;
    std::map<std::uint8_t, int> m_basicInfoCounts;
    std::uint8_t m_deviceSequence = 0;
    std::function<void()> m_reportReady;
};

} // namespace VirtualDevices
