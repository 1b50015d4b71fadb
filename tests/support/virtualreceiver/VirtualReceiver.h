#pragma once

#include "tests/support/virtualdevice/IReportResponder.h"
#include "tests/support/virtualreceiver/DeviceReportWriter.h"
#include "tests/support/virtualreceiver/HostFrameReader.h"
#include "tests/support/virtualreceiver/VirtualFirmware.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace VirtualDevices {

class VirtualHidBus;
struct VirtualPort;

// A headset as the receiver lists it.
struct ClientEntry
{
    int channel = 3;
    std::string name = "Velkora Headset";
    std::array<std::uint8_t, 4> linkInfo{0x11, 0x22, 0x33, 0x44};
    std::array<std::uint8_t, 2> linkExtra{0x55, 0x66};
    bool online = true;
    bool authenticated = false;
};

// A simulated USB receiver: parses the host's reports with its own reader,
// answers its own commands (kinds 1, 2, 4, 5 and 6 on channel 0, replies on
// channel 1) and carries kind-0 frames to the firmware on their channel.
// Channel 2 is the receiver itself, 3 and up are headsets.
class VirtualReceiver : public IReportResponder, public std::enable_shared_from_this<VirtualReceiver>
{
public:
    static constexpr std::uint16_t kVendorId = 0x3654;
    static constexpr std::uint16_t kProductId = 0x6901;
    static constexpr std::uint16_t kUpdateModeProductId = 0x6902;
    static constexpr int kSelfChannel = 2;

    VirtualReceiver();

    // Plugs the receiver into `bus` as interface 3 under `productId`; it
    // re-enumerates there when it switches into its update mode.
    std::shared_ptr<VirtualPort> plugInto(VirtualHidBus &bus, std::string node = "/virtual/hidraw0",
                                          std::uint16_t productId = kProductId);
    std::shared_ptr<VirtualPort> currentPort() const;
    // Between leaving and showing up again in the update mode.
    void setReenumerationDelay(Clock::duration delay);

    // --- what the receiver knows
    void addClient(const ClientEntry &client);
    // A headset with firmware that takes part in authentication and updates.
    void addHeadset(const ClientEntry &client, FirmwareBehaviour behaviour);
    // The receiver's own firmware on channel 2.
    void setOwnFirmware(FirmwareBehaviour behaviour);
    // Runs `change` on the firmware of `channel` under the receiver's lock.
    void withFirmware(int channel, const std::function<void(VirtualFirmware &)> &change);
    bool imageMatches(int channel) const;
    int restarts(int channel) const;
    std::optional<Clock::duration> imageTransferTime(int channel) const;
    void setClientOnline(int channel, bool online);
    std::optional<ClientEntry> client(int channel) const;
    // The receiver's own entry on channel 2 in the client list.
    void setListsItself(bool listed);
    // Status byte of the kind-1 reply; by default 1 while its firmware runs the update mode.
    void setStatusByte(std::optional<std::uint8_t> status);
    // 11 (with the status byte) or 10 (without); anything else is a bad reply.
    void setStatusReplyLength(std::size_t length);
    // Replaces the payload of the kind-2 reply with these bytes.
    void setListReplyOverride(std::optional<std::vector<std::uint8_t>> payload);

    // --- how it answers
    void setLinkShape(const LinkShape &shape);
    void setReplyDelay(Clock::duration delay);
    // Receiver commands of these kinds go unanswered.
    void setSilentKinds(std::set<int> kinds);
    // Nothing at all is answered.
    void setSilent(bool silent);
    void corruptEndByteOfNextFrames(int count);
    void misstateLengthOfNextFrames(int count, int error);

    // --- unsolicited traffic, from any thread
    void emitFrame(int channel, int kind, std::vector<std::uint8_t> payload);
    void emitStream(const std::vector<std::uint8_t> &bytes, std::size_t bytesPerReport = 64);

    // --- what the host did
    std::vector<HostFrame> hostFrames() const;
    std::size_t hostReportCount() const;
    std::size_t malformedHostFrames() const;

    // IReportResponder
    void onHostReport(const Report &report, Clock::time_point now) override;
    std::optional<Report> takeDeviceReport(Clock::time_point now) override;
    std::optional<Clock::time_point> nextDueTime() const override;
    void setReportReadyCallback(std::function<void()> callback) override;

private:
    // All below run with the lock held.
    void onEndpointFrame(const HostFrame &frame, Clock::time_point now);
    void send(int channel, int kind, std::vector<std::uint8_t> payload, Clock::time_point now);
    void sendAfter(int channel, int kind, std::vector<std::uint8_t> payload, Clock::time_point due);
    void onReceiverCommand(const HostFrame &frame, Clock::time_point now);
    bool clientOnline(int channel, Clock::time_point now) const;
    std::vector<std::uint8_t> clientListPayload(Clock::time_point now) const;
    void queueReports(std::vector<DeviceFrame> frames, Clock::time_point due);

    mutable std::mutex mutex_;
    HostFrameReader reader_;
    std::vector<HostFrame> hostFrames_;
    std::size_t hostReports_ = 0;
    std::map<int, ClientEntry> clients_;
    std::map<int, std::unique_ptr<VirtualFirmware>> firmware_;
    std::optional<std::uint8_t> statusByte_;
    std::size_t statusReplyLength_ = 11;
    std::optional<std::vector<std::uint8_t>> listOverride_;

    LinkShape shape_;
    Clock::duration replyDelay_{};
    std::set<int> silentKinds_;
    bool silent_ = false;
    int corruptEndBytes_ = 0;
    int misstatedLengths_ = 0;
    int lengthError_ = 0;

    static constexpr std::size_t kReportSize = 64;
    std::deque<std::pair<Clock::time_point, Report>> outbox_;
    std::size_t lastReportFill_ = kReportSize; // bytes used in outbox_.back()
    std::function<void()> reportReady_;

    VirtualHidBus *bus_ = nullptr;
    std::weak_ptr<VirtualPort> port_;
    Clock::duration reenumerationDelay_ = std::chrono::milliseconds(30);
    bool reenumerate_ = false; // done once the lock is let go
};

} // namespace VirtualDevices
