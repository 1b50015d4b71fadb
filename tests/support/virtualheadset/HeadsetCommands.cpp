#include "tests/support/virtualheadset/HeadsetCommands.h"

namespace VirtualDevices {

namespace {

const Bytes kStatusOk{0x00};
const Bytes kStatusFailed{0x01};

CommandOutcome basicInfo(const HeadsetState &state, const VirtualHeadsetConfig &config, const Bytes &payload)
{
    const std::uint8_t infoType = payload.empty() ? 0x00 : payload[0];
    if ((infoType == 0x0B && !config.answerDeviceId) || (infoType == 0xFF && !config.answerIdentity))
        return {};
    return {HeadsetPayloads::basicInfoReply(state, config.receiverFirmwareForm, infoType), {}};
}

CommandOutcome setEq(HeadsetState &state, const Bytes &payload)
{
    // A record the device cannot read is not stored; the echo shows what it kept.
    if (decodeEqRecord(payload))
        state.eq = payload;
    return {state.eq, {}};
}

CommandOutcome factoryReset(HeadsetState &state, const HeadsetState &factory)
{
    state.name = factory.name;
    state.eq = factory.eq;
    state.toneVolume = factory.toneVolume;
    state.volumeLockPercent = factory.volumeLockPercent;
    state.surroundMode = factory.surroundMode;
    state.surroundPosition = factory.surroundPosition;
    state.surroundRoomSize = factory.surroundRoomSize;
    ++state.factoryResets;
    return {kStatusOk, {}};
}

CommandOutcome setName(HeadsetState &state, const Bytes &payload)
{
    if (payload.empty() || payload.size() > 31)
        return {kStatusFailed, {}};
    state.name.assign(payload.begin(), payload.end());
    return {kStatusOk, {}};
}

CommandOutcome setToneVolume(HeadsetState &state, const Bytes &payload)
{
    if (payload.size() != 1 || payload[0] < 1 || payload[0] > 7)
        return {kStatusFailed, {}};
    state.toneVolume = payload[0];
    return {kStatusOk, {}};
}

// The receiver forgets its headset: the radio link drops and it says so.
CommandOutcome unbind(HeadsetState &state)
{
    ++state.unbinds;
    CommandOutcome outcome{kStatusOk, {}};
    if (state.link == 0) {
        state.link = 1;
        outcome.followUp.push_back(NotifyItem::Link);
    }
    return outcome;
}

Bytes brandInfo(const HeadsetState &state)
{
    Bytes out;
    for (std::uint16_t id : {state.cid.value_or(0), state.bid.value_or(0), state.pid.value_or(0)}) {
        out.push_back(static_cast<std::uint8_t>(id & 0xFF));
        out.push_back(static_cast<std::uint8_t>(id >> 8));
    }
    return out;
}

} // namespace

CommandOutcome runHostCommand(HeadsetState &state, const HeadsetState &factory,
                              const VirtualHeadsetConfig &config, const HostRequest &request)
{
    switch (request.command) {
    case 0x07: return {brandInfo(state), {}};
    case 0x0B: return {state.deviceId, {}};
    case 0x10: return basicInfo(state, config, request.payload);
    case 0x20: return setEq(state, request.payload);
    case 0x21: return factoryReset(state, factory);
    case 0x22: return setName(state, request.payload);
    case 0x23: return setToneVolume(state, request.payload);
    case 0x24:
    case 0x25: return {kStatusOk, {}};
    case 0x26: return unbind(state);
    case 0x27: return config.answerHeartbeat ? CommandOutcome{kStatusOk, {}} : CommandOutcome{};
    default: return {};
    }
}

} // namespace VirtualDevices
