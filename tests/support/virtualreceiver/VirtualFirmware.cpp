#include "tests/support/virtualreceiver/VirtualFirmware.h"

#include "tests/support/virtualreceiver/DeviceRcp.h"
#include "tests/support/virtualreceiver/E1Reference.h"

#include <algorithm>
#include <random>

namespace VirtualDevices {

namespace {

std::vector<std::uint8_t> be32(std::uint32_t v)
{
    return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

const std::vector<std::uint8_t> kPass{0x02, 'p', 'a', 's', 's'};
const std::vector<std::uint8_t> kFail{0x02, 'f', 'a', 'i', 'l'};

} // namespace

VirtualFirmware::VirtualFirmware(FirmwareBehaviour behaviour)
    : behaviour_(std::move(behaviour))
{
}

bool VirtualFirmware::online(Clock::time_point now) const
{
    if (gone_)
        return false;
    return !offlineUntil_ || now >= *offlineUntil_;
}

void VirtualFirmware::dropLink(Clock::time_point now)
{
    if (gone_)
        return;
    const auto back = now + behaviour_.rebootDelay;
    if (!offlineUntil_ || *offlineUntil_ < back)
        offlineUntil_ = back;
}

VirtualFirmware::Output VirtualFirmware::onHostPayload(const std::vector<std::uint8_t> &payload, Clock::time_point now)
{
    Output out;
    if (!online(now) || payload.empty())
        return out;
    if (payload[0] == 0xFE) {
        const auto message = DeviceRcp::read(payload);
        if (!message)
            return out;
        if (message->command)
            onCommand(message->opcode, message->sequence, message->body, now, out);
        else
            onResponse(message->opcode, message->sequence, message->body, now, out);
    } else {
        onAuthBytes(payload, out);
    }
    return out;
}

void VirtualFirmware::onAuthBytes(const std::vector<std::uint8_t> &payload, Output &out)
{
    const auto &b = behaviour_;
    if (payload.size() == 17 && payload[0] == 0x00) {
        // The host's challenge.
        auto answer = E1Reference::answer(payload.data());
        if (b.wrongAuthAnswer)
            answer[5] ^= 0x5A;
        std::vector<std::uint8_t> bytes(answer.begin(), answer.end());
        bytes.resize(std::size_t(std::ptrdiff_t(bytes.size()) + b.authAnswerSizeChange), 0x00);
        if (!b.silentAuthSteps.contains(1))
            out.frames.push_back(std::move(bytes));
    } else if (payload == kPass) {
        // The host accepted; now the host must prove itself.
        std::random_device source;
        std::array<std::uint8_t, 17> challenge{};
        challenge[0] = b.ownChallengeType;
        for (std::size_t i = 1; i < challenge.size(); ++i)
            challenge[i] = std::uint8_t(source());
        ownChallenge_ = challenge;
        // A longer challenge carries bytes the answer does not cover.
        std::vector<std::uint8_t> bytes(challenge.begin(), challenge.end());
        bytes.resize(std::size_t(std::ptrdiff_t(bytes.size()) + b.ownChallengeSizeChange), 0xA5);
        if (!b.silentAuthSteps.contains(2))
            out.frames.push_back(std::move(bytes));
    } else if (payload.size() == 17 && payload[0] == 0x01 && ownChallenge_) {
        const auto expected = E1Reference::answer(ownChallenge_->data());
        const bool right = std::equal(expected.begin(), expected.end(), payload.begin()) && !b.rejectHostAnswer;
        ownChallenge_.reset();
        if (!b.silentAuthSteps.contains(3))
            out.frames.push_back(b.verdict ? *b.verdict : right ? kPass : kFail);
    }
}

std::vector<std::uint8_t> VirtualFirmware::targetInfo() const
{
    const bool skip = behaviour_.skipAfterLoader && loaderDone_;
    return {4, 8, std::uint8_t(updateMode_ ? 1 : 0), std::uint8_t(behaviour_.needsLoader && !loaderDone_ ? 1 : 0), 0x00,
            2, 9, std::uint8_t(skip ? 0 : 1)};
}

void VirtualFirmware::onCommand(const std::uint8_t opcode, std::uint8_t sequence, const std::vector<std::uint8_t> &body,
                                Clock::time_point now, Output &out)
{
    const auto &b = behaviour_;
    if (b.silentOpcodes.contains(opcode)) {
        if (opcode == 0xE7 || opcode == 0x0B)
            restart(now, opcode == 0x0B, out); // it still acts, it only doesn't answer
        return;
    }
    const std::uint8_t echoed = b.staleOpcodes.contains(opcode) ? std::uint8_t(sequence - 1) : sequence;
    const auto reply = [&](std::vector<std::uint8_t> payload) {
        out.frames.push_back(DeviceRcp::response(opcode, 0, echoed, payload));
    };
    const std::size_t size = b.expectedImage.size();
    switch (opcode) {
    case 0x03:
        reply(targetInfo());
        break;
    case 0xE1: {
        auto payload = be32(b.checkOffset);
        payload.push_back(std::uint8_t(b.checkLength >> 8));
        payload.push_back(std::uint8_t(b.checkLength));
        reply(payload);
        break;
    }
    case 0xE2: {
        bool allowed = !b.refuseUpdate;
        if (b.checkLength == 0) {
            allowed = allowed && body == std::vector<std::uint8_t>{0x02};
        } else {
            const std::size_t end = std::size_t(b.checkOffset) + b.checkLength;
            allowed = allowed && end <= size
                && std::equal(body.begin(), body.end(), b.expectedImage.begin() + b.checkOffset,
                              b.expectedImage.begin() + std::ptrdiff_t(end));
        }
        reply({std::uint8_t(allowed ? 0 : 1)});
        // A device that needs its loader asks for it right away.
        if (allowed && b.needsLoader && !loaderDone_ && !updateMode_)
            startTransfer(Transfer::Loader, out);
        break;
    }
    case 0xE3:
        reply({0x00});
        startTransfer(Transfer::Image, out);
        break;
    case 0xE6: {
        std::uint8_t status = 0;
        if (transfer_ == Transfer::Loader || (b.needsLoader && !loaderDone_)) {
            const std::size_t n = std::min(b.loaderLength, size);
            const bool intact = loaderReceived_.size() == n
                && std::equal(loaderReceived_.begin(), loaderReceived_.end(), b.expectedImage.begin());
            status = intact ? b.loaderStatus : 0x01;
        } else {
            status = b.updateStatus.value_or(imageMatches() ? 0x00 : 0x1A);
        }
        reply({status});
        break;
    }
    case 0x0B:
        reply({0x00});
        restart(now, true, out);
        break;
    case 0xE7:
        restart(now, false, out); // no answer: it is gone at once
        break;
    default:
        break;
    }
}

void VirtualFirmware::startTransfer(Transfer kind, Output &out)
{
    const std::size_t size = behaviour_.expectedImage.size();
    transfer_ = kind;
    blocksServed_ = 0;
    std::vector<std::uint8_t> body;
    if (kind == Transfer::Loader) {
        transferEnd_ = std::uint32_t(std::min(behaviour_.loaderLength, size));
        loaderReceived_.assign(transferEnd_, 0);
        next_ = 0;
        body = be32(transferEnd_);
    } else {
        transferEnd_ = std::uint32_t(size);
        received_.assign(size, 0);
        imageComplete_ = false;
        next_ = 0;
        body = be32(transferEnd_);
        if (behaviour_.resumeOffset) {
            // What lies before the offset is already on the device.
            next_ = std::min<std::uint32_t>(*behaviour_.resumeOffset, transferEnd_);
            std::copy_n(behaviour_.expectedImage.begin(), next_, received_.begin());
            const auto start = be32(next_);
            body.insert(body.end(), start.begin(), start.end());
        }
    }
    awaiting_ = sequence_;
    out.frames.push_back(DeviceRcp::command(0xE8, sequence_++, body));
}

void VirtualFirmware::requestNextBlock(Output &out)
{
    const auto &b = behaviour_;
    if (b.dropAfterBlocks && blocksServed_ >= *b.dropAfterBlocks) {
        awaiting_.reset(); // falls silent mid-transfer
        return;
    }
    std::uint32_t offset = next_;
    std::uint16_t length = 0;
    if (next_ < transferEnd_) {
        length = std::uint16_t(std::min<std::uint32_t>(b.blockSize, transferEnd_ - next_));
        if (b.requestPastEnd && transfer_ == Transfer::Image) {
            offset = std::uint32_t(b.expectedImage.size()) - std::min<std::uint32_t>(4, std::uint32_t(b.expectedImage.size()));
            length = 16;
        }
    } else {
        offset = 0; // all there: offset 0, length 0 ends the transfer
    }
    auto body = be32(offset);
    body.push_back(std::uint8_t(length >> 8));
    body.push_back(std::uint8_t(length));
    if (length == 0) {
        awaiting_.reset();
        if (transfer_ == Transfer::Image)
            imageComplete_ = true;
        transfer_ = Transfer::None;
    } else {
        awaiting_ = sequence_;
    }
    out.frames.push_back(DeviceRcp::command(0xE5, sequence_++, body));
}

void VirtualFirmware::onResponse(std::uint8_t opcode, std::uint8_t sequence, const std::vector<std::uint8_t> &body,
                                 Clock::time_point now, Output &out)
{
    if (!awaiting_ || sequence != *awaiting_)
        return;
    if (opcode == 0xE8) {
        if (transfer_ == Transfer::Image) {
            transferStartedAt_ = now;
            transferEndedAt_.reset();
        }
        requestNextBlock(out);
        return;
    }
    if (opcode != 0xE5)
        return;
    auto &target = transfer_ == Transfer::Loader ? loaderReceived_ : received_;
    const std::size_t room = next_ < target.size() ? target.size() - next_ : 0;
    std::copy_n(body.begin(), std::min(body.size(), room), target.begin() + std::ptrdiff_t(next_));
    next_ += std::uint32_t(body.size());
    ++blocksServed_;
    requestNextBlock(out);
    if (imageComplete_ && !transferEndedAt_)
        transferEndedAt_ = now;
}

std::optional<Clock::duration> VirtualFirmware::imageTransferTime() const
{
    if (!transferStartedAt_ || !transferEndedAt_)
        return std::nullopt;
    return *transferEndedAt_ - *transferStartedAt_;
}

void VirtualFirmware::restart(Clock::time_point now, bool intoUpdateMode, Output &out)
{
    ++restarts_;
    out.restarting = true;
    out.enteredUpdateMode = intoUpdateMode;
    transfer_ = Transfer::None;
    awaiting_.reset();
    ownChallenge_.reset();
    if (intoUpdateMode) {
        updateMode_ = true;
        loaderDone_ = true;
    } else {
        updateMode_ = false; // the new firmware runs
        behaviour_.needsLoader = false;
    }
    if (behaviour_.neverBack)
        gone_ = true;
    else
        offlineUntil_ = now + behaviour_.rebootDelay;
}

} // namespace VirtualDevices
