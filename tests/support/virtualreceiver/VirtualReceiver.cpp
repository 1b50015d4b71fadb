#include "tests/support/virtualreceiver/VirtualReceiver.h"

#include "tests/support/virtualreceiver/VirtualHidBus.h"

#include <algorithm>
#include <utility>

namespace VirtualDevices {

namespace {

ClientEntry selfEntry()
{
    ClientEntry self;
    self.channel = VirtualReceiver::kSelfChannel;
    self.name = "Velkora Receiver";
    self.linkInfo = {0x01, 0x00, 0x00, 0x00};
    self.linkExtra = {0x00, 0x00};
    return self;
}

} // namespace

VirtualReceiver::VirtualReceiver()
{
    clients_[kSelfChannel] = selfEntry();
}

std::shared_ptr<VirtualPort> VirtualReceiver::plugInto(VirtualHidBus &bus, std::string node, std::uint16_t productId)
{
    auto port = bus.plug(std::move(node), {kVendorId, productId, 0x0100, 3}, "Velkora Receiver",
                         std::static_pointer_cast<IReportResponder>(shared_from_this()));
    std::lock_guard lock(mutex_);
    bus_ = &bus;
    port_ = port;
    return port;
}

std::shared_ptr<VirtualPort> VirtualReceiver::currentPort() const
{
    std::lock_guard lock(mutex_);
    return port_.lock();
}

void VirtualReceiver::setReenumerationDelay(Clock::duration delay)
{
    std::lock_guard lock(mutex_);
    reenumerationDelay_ = delay;
}

void VirtualReceiver::addHeadset(const ClientEntry &client, FirmwareBehaviour behaviour)
{
    std::lock_guard lock(mutex_);
    clients_[client.channel] = client;
    firmware_[client.channel] = std::make_unique<VirtualFirmware>(std::move(behaviour));
}

void VirtualReceiver::setOwnFirmware(FirmwareBehaviour behaviour)
{
    std::lock_guard lock(mutex_);
    firmware_[kSelfChannel] = std::make_unique<VirtualFirmware>(std::move(behaviour));
}

void VirtualReceiver::withFirmware(int channel, const std::function<void(VirtualFirmware &)> &change)
{
    std::lock_guard lock(mutex_);
    if (auto it = firmware_.find(channel); it != firmware_.end())
        change(*it->second);
}

bool VirtualReceiver::imageMatches(int channel) const
{
    std::lock_guard lock(mutex_);
    const auto it = firmware_.find(channel);
    return it != firmware_.end() && it->second->imageMatches();
}

std::optional<Clock::duration> VirtualReceiver::imageTransferTime(int channel) const
{
    std::lock_guard lock(mutex_);
    const auto it = firmware_.find(channel);
    return it == firmware_.end() ? std::nullopt : it->second->imageTransferTime();
}

int VirtualReceiver::restarts(int channel) const
{
    std::lock_guard lock(mutex_);
    const auto it = firmware_.find(channel);
    return it == firmware_.end() ? 0 : it->second->restarts();
}

void VirtualReceiver::addClient(const ClientEntry &client)
{
    std::lock_guard lock(mutex_);
    clients_[client.channel] = client;
}

void VirtualReceiver::setClientOnline(int channel, bool online)
{
    std::lock_guard lock(mutex_);
    if (auto it = clients_.find(channel); it != clients_.end())
        it->second.online = online;
}

std::optional<ClientEntry> VirtualReceiver::client(int channel) const
{
    std::lock_guard lock(mutex_);
    if (auto it = clients_.find(channel); it != clients_.end())
        return it->second;
    return std::nullopt;
}

void VirtualReceiver::setListsItself(bool listed)
{
    std::lock_guard lock(mutex_);
    if (listed)
        clients_.try_emplace(kSelfChannel, selfEntry());
    else
        clients_.erase(kSelfChannel);
}

void VirtualReceiver::setStatusByte(std::optional<std::uint8_t> status)
{
    std::lock_guard lock(mutex_);
    statusByte_ = status;
}

void VirtualReceiver::setStatusReplyLength(std::size_t length)
{
    std::lock_guard lock(mutex_);
    statusReplyLength_ = length;
}

void VirtualReceiver::setListReplyOverride(std::optional<std::vector<std::uint8_t>> payload)
{
    std::lock_guard lock(mutex_);
    listOverride_ = std::move(payload);
}

void VirtualReceiver::setLinkShape(const LinkShape &shape)
{
    std::lock_guard lock(mutex_);
    shape_ = shape;
}

void VirtualReceiver::setReplyDelay(Clock::duration delay)
{
    std::lock_guard lock(mutex_);
    replyDelay_ = delay;
}

void VirtualReceiver::setSilentKinds(std::set<int> kinds)
{
    std::lock_guard lock(mutex_);
    silentKinds_ = std::move(kinds);
}

void VirtualReceiver::setSilent(bool silent)
{
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void VirtualReceiver::corruptEndByteOfNextFrames(int count)
{
    std::lock_guard lock(mutex_);
    corruptEndBytes_ = count;
}

void VirtualReceiver::misstateLengthOfNextFrames(int count, int error)
{
    std::lock_guard lock(mutex_);
    misstatedLengths_ = count;
    lengthError_ = error;
}

void VirtualReceiver::emitFrame(int channel, int kind, std::vector<std::uint8_t> payload)
{
    std::function<void()> ready;
    {
        std::lock_guard lock(mutex_);
        sendAfter(channel, kind, std::move(payload), Clock::now());
        ready = reportReady_;
    }
    if (ready)
        ready();
}

void VirtualReceiver::emitStream(const std::vector<std::uint8_t> &bytes, std::size_t bytesPerReport)
{
    std::function<void()> ready;
    {
        std::lock_guard lock(mutex_);
        const auto now = Clock::now();
        for (auto &report : DeviceReportWriter::cut(bytes, bytesPerReport))
            outbox_.emplace_back(now, std::move(report));
        lastReportFill_ = kReportSize;
        ready = reportReady_;
    }
    if (ready)
        ready();
}

std::vector<HostFrame> VirtualReceiver::hostFrames() const
{
    std::lock_guard lock(mutex_);
    return hostFrames_;
}

std::size_t VirtualReceiver::hostReportCount() const
{
    std::lock_guard lock(mutex_);
    return hostReports_;
}

std::size_t VirtualReceiver::malformedHostFrames() const
{
    std::lock_guard lock(mutex_);
    return reader_.malformed();
}

void VirtualReceiver::onHostReport(const Report &report, Clock::time_point now)
{
    VirtualHidBus *bus = nullptr;
    std::shared_ptr<VirtualPort> port;
    Clock::duration delay{};
    Clock::duration leaveAfter{};
    {
        std::lock_guard lock(mutex_);
        ++hostReports_;
        for (HostFrame &frame : reader_.feedReport(report)) {
            hostFrames_.push_back(frame);
            if (frame.channel == 0)
                onReceiverCommand(frame, now);
            else if (frame.kind == 0)
                onEndpointFrame(frame, now);
        }
        if (std::exchange(reenumerate_, false)) {
            bus = bus_;
            port = port_.lock();
            delay = reenumerationDelay_;
            // Leave only once the last answer is on its way.
            leaveAfter = replyDelay_ + std::chrono::milliseconds(20);
        }
    }
    // The bus calls back into the receiver, so this waits for the lock to go.
    if (bus && port) {
        auto next = bus->replug(port, kUpdateModeProductId, leaveAfter, leaveAfter + delay);
        std::lock_guard lock(mutex_);
        port_ = next;
    }
}

std::optional<Report> VirtualReceiver::takeDeviceReport(Clock::time_point now)
{
    std::lock_guard lock(mutex_);
    if (outbox_.empty() || outbox_.front().first > now)
        return std::nullopt;
    Report report = std::move(outbox_.front().second);
    outbox_.pop_front();
    if (outbox_.empty())
        lastReportFill_ = kReportSize; // a report on its way can't take more bytes
    return report;
}

std::optional<Clock::time_point> VirtualReceiver::nextDueTime() const
{
    std::lock_guard lock(mutex_);
    if (outbox_.empty())
        return std::nullopt;
    return outbox_.front().first;
}

void VirtualReceiver::setReportReadyCallback(std::function<void()> callback)
{
    std::lock_guard lock(mutex_);
    reportReady_ = std::move(callback);
}

void VirtualReceiver::onEndpointFrame(const HostFrame &frame, Clock::time_point now)
{
    const auto it = firmware_.find(frame.channel);
    if (it == firmware_.end() || !clientOnline(frame.channel, now))
        return; // nobody there: the frame is lost
    const auto out = it->second->onHostPayload(frame.payload, now);
    for (const auto &payload : out.frames)
        send(frame.channel, 0, payload, now);
    if (out.restarting) {
        clients_[frame.channel].authenticated = false; // a new link after the restart
        if (frame.channel == kSelfChannel && out.enteredUpdateMode)
            reenumerate_ = true;
    }
}

bool VirtualReceiver::clientOnline(int channel, Clock::time_point now) const
{
    const auto client = clients_.find(channel);
    if (client == clients_.end() || !client->second.online)
        return false;
    const auto firmware = firmware_.find(channel);
    return firmware == firmware_.end() || firmware->second->online(now);
}

void VirtualReceiver::send(int channel, int kind, std::vector<std::uint8_t> payload, Clock::time_point now)
{
    sendAfter(channel, kind, std::move(payload), now + replyDelay_);
}

void VirtualReceiver::sendAfter(int channel, int kind, std::vector<std::uint8_t> payload, Clock::time_point due)
{
    if (silent_)
        return;
    DeviceFrame frame{channel, kind, std::move(payload)};
    if (corruptEndBytes_ > 0) {
        --corruptEndBytes_;
        frame.badEndByte = true;
    }
    if (misstatedLengths_ > 0) {
        --misstatedLengths_;
        frame.lengthError = lengthError_;
    }
    queueReports({std::move(frame)}, due);
}

void VirtualReceiver::queueReports(std::vector<DeviceFrame> frames, Clock::time_point due)
{
    // Reports leave in order: a later frame never overtakes an earlier one.
    if (!outbox_.empty())
        due = std::max(due, outbox_.back().first);
    if (!shape_.packFrames) {
        for (auto &report : DeviceReportWriter::toReports(frames, shape_))
            outbox_.emplace_back(due, std::move(report));
        lastReportFill_ = kReportSize;
        return;
    }
    // Packed: frames continue in the free room of the last report not yet sent.
    std::vector<std::uint8_t> stream;
    for (const DeviceFrame &frame : frames) {
        stream.insert(stream.end(), shape_.noiseBeforeFrame.begin(), shape_.noiseBeforeFrame.end());
        const auto encoded = DeviceReportWriter::encode(frame);
        stream.insert(stream.end(), encoded.begin(), encoded.end());
    }
    const std::size_t piece = std::clamp<std::size_t>(shape_.bytesPerReport, 1, kReportSize);
    std::size_t pos = 0;
    if (!outbox_.empty() && lastReportFill_ < piece) {
        const std::size_t n = std::min(piece - lastReportFill_, stream.size());
        std::copy_n(stream.begin(), n, outbox_.back().second.begin() + std::ptrdiff_t(lastReportFill_));
        lastReportFill_ += n;
        pos = n;
    }
    while (pos < stream.size()) {
        Report report(piece, 0);
        const std::size_t n = std::min(piece, stream.size() - pos);
        std::copy_n(stream.begin() + std::ptrdiff_t(pos), n, report.begin());
        outbox_.emplace_back(due, std::move(report));
        lastReportFill_ = n;
        pos += n;
    }
}

std::vector<std::uint8_t> VirtualReceiver::clientListPayload(Clock::time_point now) const
{
    if (listOverride_)
        return *listOverride_;
    std::vector<std::uint8_t> payload{0};
    for (const auto &[channel, client] : clients_) {
        if (!clientOnline(channel, now))
            continue;
        payload.push_back(std::uint8_t(channel));
        payload.push_back(std::uint8_t(0x01 | (client.authenticated ? 0x02 : 0x00)));
        payload.insert(payload.end(), client.linkInfo.begin(), client.linkInfo.end());
        payload.insert(payload.end(), client.linkExtra.begin(), client.linkExtra.end());
        const std::size_t n = std::min<std::size_t>(client.name.size(), 255);
        payload.push_back(std::uint8_t(n));
        payload.insert(payload.end(), client.name.begin(), client.name.begin() + std::ptrdiff_t(n));
        ++payload[0];
    }
    return payload;
}

void VirtualReceiver::onReceiverCommand(const HostFrame &frame, Clock::time_point now)
{
    if (silentKinds_.contains(frame.kind))
        return;
    constexpr int kReply = 1;
    switch (frame.kind) {
    case 1: {
        std::vector<std::uint8_t> reply{0x01, 0x02, 0x00, 0x36, 0x54, 0x69, 0x01, 0x01, 0x00, 0x00};
        const auto self = firmware_.find(kSelfChannel);
        const bool updateMode = self != firmware_.end() && self->second->inUpdateMode();
        reply.push_back(statusByte_.value_or(updateMode ? 1 : 0));
        reply.resize(statusReplyLength_, 0);
        send(kReply, 1, std::move(reply), now);
        break;
    }
    case 2:
        send(kReply, 2, clientListPayload(now), now);
        break;
    case 4: {
        // Accepted when the bytes name a listed client's link.
        bool known = false;
        if (frame.payload.size() == 8) {
            for (const auto &[channel, client] : clients_) {
                known = known
                    || (std::equal(client.linkInfo.begin(), client.linkInfo.end(), frame.payload.begin())
                        && std::equal(client.linkExtra.begin(), client.linkExtra.end(), frame.payload.begin() + 4));
            }
        }
        send(kReply, 4, {std::uint8_t(known ? 0 : 1)}, now);
        break;
    }
    case 5: {
        const bool known = frame.payload.size() == 1 && clients_.contains(frame.payload[0]);
        if (known) {
            const int channel = frame.payload[0];
            clients_[channel].authenticated = false;
            if (auto fw = firmware_.find(channel); fw != firmware_.end())
                fw->second->dropLink(now); // it reconnects on its own
            else
                clients_[channel].online = false;
        }
        send(kReply, 5, {std::uint8_t(known ? 0 : 1)}, now);
        break;
    }
    case 6: {
        const bool known = frame.payload.size() == 2 && clients_.contains(frame.payload[0]);
        if (known)
            clients_[frame.payload[0]].authenticated = true;
        send(kReply, 6, {std::uint8_t(known ? 0 : 1)}, now);
        break;
    }
    default:
        break;
    }
}

} // namespace VirtualDevices
