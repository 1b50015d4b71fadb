#include "tests/support/virtualheadset/VirtualHeadset.h"

#include "tests/support/virtualheadset/HeadsetCommands.h"

namespace VirtualDevices {

VirtualHeadset::VirtualHeadset(VirtualHeadsetConfig config, HeadsetState state)
    : m_config(std::move(config))
    , m_state(state)
    , m_factory(std::move(state))
{
}

void VirtualHeadset::onHostReport(const Report &report, Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    HostReportDecoder::Outcome outcome = m_decoder.feed(report, now);
    if (outcome.rejection) {
        m_rejected.push_back({now, report, *outcome.rejection});
        return;
    }
    if (!outcome.request)
        return;
    const HostRequest &request = *outcome.request;
    ++m_commandCounts[request.command];
    if (request.command == 0x10 && !request.payload.empty())
        ++m_basicInfoCounts[request.payload[0]];
    m_requests.push_back(request);
    answer(request, now);
    m_requestLogged.notify_all();
}

std::optional<Report> VirtualHeadset::takeDeviceReport(Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    return m_outbox.take(now);
}

std::optional<Clock::time_point> VirtualHeadset::nextDueTime() const
{
    std::lock_guard lock(m_mutex);
    return m_outbox.nextDue();
}

void VirtualHeadset::setReportReadyCallback(std::function<void()> callback)
{
    std::lock_guard lock(m_mutex);
    m_reportReady = std::move(callback);
}

HeadsetState VirtualHeadset::state() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

void VirtualHeadset::setState(HeadsetState state)
{
    std::lock_guard lock(m_mutex);
    m_state = std::move(state);
}

void VirtualHeadset::updateState(const std::function<void(HeadsetState &)> &change)
{
    std::lock_guard lock(m_mutex);
    change(m_state);
}

VirtualHeadsetConfig VirtualHeadset::config() const
{
    std::lock_guard lock(m_mutex);
    return m_config;
}

void VirtualHeadset::setConfig(VirtualHeadsetConfig config)
{
    std::lock_guard lock(m_mutex);
    m_config = std::move(config);
}

void VirtualHeadset::scriptFault(RequestMatch match, ReplyFault fault, int times)
{
    if (times == 0)
        return;
    std::lock_guard lock(m_mutex);
    m_faults.push_back({std::move(match), std::move(fault), times});
}

void VirtualHeadset::clearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

void VirtualHeadset::notify(const std::vector<NotifyItem> &items, Clock::time_point now, const ReplyFault &fault)
{
    {
        std::lock_guard lock(m_mutex);
        const Bytes payload = HeadsetPayloads::notifyPayload(m_state, items);
        postLocked(0x11, HeadsetWire::FrameType::Notify, nextDeviceSequence(), payload, fault, now + fault.delay);
    }
    signalReady();
}

void VirtualHeadset::sendMessage(std::uint16_t command, HeadsetWire::FrameType type, std::uint8_t sequence,
                                 const Bytes &payload, Clock::time_point now, const ReplyFault &fault)
{
    {
        std::lock_guard lock(m_mutex);
        postLocked(command, type, sequence, payload, fault, now + fault.delay);
    }
    signalReady();
}

void VirtualHeadset::sendReport(Report report, Clock::time_point due)
{
    {
        std::lock_guard lock(m_mutex);
        m_outbox.postReport(std::move(report), due);
    }
    signalReady();
}

std::vector<HostRequest> VirtualHeadset::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<RejectedReport> VirtualHeadset::rejectedReports() const
{
    std::lock_guard lock(m_mutex);
    return m_rejected;
}

int VirtualHeadset::commandCount(std::uint16_t command) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_commandCounts.find(command);
    return it == m_commandCounts.end() ? 0 : it->second;
}

int VirtualHeadset::basicInfoCount(std::uint8_t infoType) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_basicInfoCounts.find(infoType);
    return it == m_basicInfoCounts.end() ? 0 : it->second;
}

std::size_t VirtualHeadset::pendingReportCount() const
{
    std::lock_guard lock(m_mutex);
    return m_outbox.size();
}

void VirtualHeadset::clearLog()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_rejected.clear();
    m_commandCounts.clear();
    m_basicInfoCounts.clear();
}

bool VirtualHeadset::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_requestLogged.wait_for(lock, timeout, [&] { return m_requests.size() >= count; });
}

ReplyFault VirtualHeadset::takeFault(const HostRequest &request)
{
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (!it->match.matches(request.command, request.payload))
            continue;
        ReplyFault fault = it->fault;
        if (it->remaining > 0 && --it->remaining == 0)
            m_faults.erase(it);
        return fault;
    }
    return {};
}

void VirtualHeadset::answer(const HostRequest &request, Clock::time_point now)
{
    const ReplyFault fault = takeFault(request);
    CommandOutcome outcome;
    if (fault.payload)
        outcome.reply = fault.payload; // refused: the state stays as it was
    else
        outcome = runHostCommand(m_state, m_factory, m_config, request);

    const Clock::time_point due = now + m_config.replyLatency + fault.delay;
    if (outcome.reply && !fault.noAnswer) {
        postLocked(request.command, HeadsetWire::FrameType::Response, fault.sequence.value_or(request.sequence),
                   *outcome.reply, fault, due);
    }
    if (!outcome.followUp.empty()) {
        postLocked(0x11, HeadsetWire::FrameType::Notify, nextDeviceSequence(),
                   HeadsetPayloads::notifyPayload(m_state, outcome.followUp), {}, due);
    }
}

void VirtualHeadset::postLocked(std::uint16_t command, HeadsetWire::FrameType type, std::uint8_t sequence,
                                const Bytes &payload, const ReplyFault &fault, Clock::time_point due)
{
    const std::vector<Bytes> frames =
        HeadsetWire::encodeMessage(command, type, sequence, payload, m_config.framePayloadBytes);
    m_outbox.postMessage(frames, fault, {m_config.padReports, m_config.reportIdPrefix}, due);
}

std::uint8_t VirtualHeadset::nextDeviceSequence()
{
    const std::uint8_t sequence = m_deviceSequence;
    m_deviceSequence = static_cast<std::uint8_t>((m_deviceSequence + 1) & 0x0F);
    return sequence;
}

void VirtualHeadset::signalReady()
{
    std::function<void()> callback;
    {
        std::lock_guard lock(m_mutex);
        callback = m_reportReady;
    }
    if (callback)
        callback();
}

} // namespace VirtualDevices
