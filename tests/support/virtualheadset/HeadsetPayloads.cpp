#include "tests/support/virtualheadset/HeadsetPayloads.h"

#include "tests/support/virtualheadset/Tlv.h"

namespace VirtualDevices::HeadsetPayloads {

namespace {

// Position decides the meaning of a level byte, so a case level without a
// right one goes out with a right level of 0.
Bytes batteryBytes(const HeadsetState &state)
{
    Bytes levels{state.batteryLeft};
    if (state.batteryRight || state.batteryCase)
        levels.push_back(state.batteryRight.value_or(0));
    if (state.batteryCase)
        levels.push_back(*state.batteryCase);
    return levels;
}

Bytes shortFirmware(bool flag, const std::string &version)
{
    return TlvWriter().addByte(0x00, flag ? 1 : 0).addText(0x01, version).bytes();
}

Bytes fullReceiverFirmware(const HeadsetState &state)
{
    const bool any = state.headsetFirmwareFlag || state.receiverFirmwareFlag;
    return TlvWriter()
        .addByte(0x00, any ? 1 : 0)
        .addByte(0x01, state.headsetFirmwareFlag ? 1 : 0)
        .addByte(0x02, state.receiverFirmwareFlag ? 1 : 0)
        .addText(0x03, state.headsetFirmware)
        .addText(0x04, state.receiverFirmware)
        .bytes();
}

Bytes surround(const HeadsetState &state)
{
    return TlvWriter()
        .addByte(0x01, state.surroundMode)
        .addByte(0x02, state.surroundPosition)
        .addByte(0x03, state.surroundRoomSize)
        .bytes();
}

Bytes identity(const HeadsetState &state)
{
    TlvWriter writer;
    if (state.cid)
        writer.addU16(0x01, *state.cid);
    if (state.bid)
        writer.addU16(0x02, *state.bid);
    if (state.pid)
        writer.addU16(0x03, *state.pid);
    return writer.bytes();
}

Bytes nameAndFirmware(const HeadsetState &state)
{
    return TlvWriter()
        .addText(0x02, state.name)
        .addByte(0x00, state.headsetFirmwareFlag ? 1 : 0)
        .addText(0x01, state.headsetFirmware)
        .bytes();
}

} // namespace

Bytes basicInfoReply(const HeadsetState &state, FirmwareForm receiverForm, std::uint8_t infoType)
{
    TlvWriter writer;
    switch (infoType) {
    case 0x01: writer.add(0x01, batteryBytes(state)); break;
    case 0x02: writer.addText(0x02, state.name); break;
    case 0x03: writer.add(0x03, state.eq); break;
    case 0x04:
        writer.add(0x04, receiverForm == FirmwareForm::Full
                             ? fullReceiverFirmware(state)
                             : shortFirmware(state.receiverFirmwareFlag, state.receiverFirmware));
        break;
    case 0x05: writer.add(0x05, shortFirmware(state.headsetFirmwareFlag, state.headsetFirmware)); break;
    case 0x06: writer.addByte(0x06, state.toneVolume); break;
    case 0x07: writer.addByte(0x07, state.volumeLockPercent); break;
    case 0x08: writer.add(0x08, surround(state)); break;
    case 0x09: writer.addByte(0x09, state.link); break;
    case 0x0B: writer.add(0x0B, state.deviceId); break;
    case 0xFF: writer.add(0xFF, identity(state)); break;
    default: break;
    }
    return writer.bytes();
}

Bytes notifyPayload(const HeadsetState &state, std::span<const NotifyItem> items)
{
    TlvWriter writer;
    for (NotifyItem item : items) {
        switch (item) {
        case NotifyItem::Battery: writer.add(0x01, batteryBytes(state)); break;
        case NotifyItem::EqAutoReport: writer.add(0x02, state.eq); break;
        case NotifyItem::NameAndFirmware: writer.add(0x03, nameAndFirmware(state)); break;
        case NotifyItem::Link: writer.addByte(0x04, state.link); break;
        case NotifyItem::Surround: writer.add(0x07, surround(state)); break;
        }
    }
    return writer.bytes();
}

} // namespace VirtualDevices::HeadsetPayloads
