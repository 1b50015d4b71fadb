// libFuzzer target over the TLV codec and every record decoded from it: the
// GetBasicInfo reply, the firmware, id and surround lists, the notify's name
// and firmware item, and the EQ record with its validation and TLV form.
#include "protocol/DeviceRecordCodec.h"
#include "protocol/EQData.h"
#include "protocol/TlvParser.h"
#include "tests/fuzz/FuzzEnvironment.h"

#include <cstdint>

using namespace HeadsetProtocol;
using FuzzEnvironment::require;

namespace {

void checkList(const TlvParser &parser)
{
    qsizetype consumed = 0;
    for (const TlvEntry &entry : parser.entries()) {
        require(entry.value.size() == entry.length, "an item's value differs from its length byte");
        consumed += 2 + entry.length;
        entry.valueBytes();
        const std::vector<quint16> words = entry.valueUInt16List();
        require(entry.length % 2 != 0 || words.size() == entry.length / 2u, "word count of an even value");
        entry.valueString();
    }
    // A parsed list is the whole payload, item by item.
    require(consumed == parser.data().size(), "items do not cover the payload");
}

void checkEq(const TlvParser &parser)
{
    const std::optional<EQData> eq = parseEQData(parser);
    if (!eq)
        return;
    require(!eq->qorCustom, "qorCustom came from the wire");
    if (!validateEQData(*eq))
        return;
    // A valid record survives its TLV form.
    TlvParser again(serializeEQData(*eq));
    require(!again.data().isEmpty() && again.parse(), "a valid record did not serialise to a TLV list");
    const std::optional<EQData> back = parseEQData(again);
    require(back && *back == *eq, "a valid record changed through its TLV form");
}

void checkDeviceRecords(const TlvParser &parser)
{
    const std::optional<DeviceInfo> info = parseDeviceInfo(parser);
    require(info.has_value(), "parseDeviceInfo gave no record");
    isValidDeviceInfo(*info);
    if (info->surround) {
        require(info->surround->mode <= 2 && info->surround->position <= 8 && info->surround->roomSize <= 2,
                "surround field out of range");
    }
    if (info->dongleHeadsetLink)
        require(*info->dongleHeadsetLink <= 1, "link value other than 0 or 1");
    require(!info->hasToneVolume || (info->toneVolume >= 1 && info->toneVolume <= 7), "tone volume out of range");

    parseFirmwareInfo(parser);
    FirmwareInfo firmware;
    applyFirmwareTlv(firmware, parser, isFullFirmwareTlv(parser));
    require(firmware.anyFlag == (firmware.headsetFlag || firmware.dongleFlag), "anyFlag of the short form");
    parseDeviceIdInfo(parser);
    parseSurroundSoundConfig(parser);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzEnvironment::ensureQtCore();
    const QByteArray payload(reinterpret_cast<const char *>(data), qsizetype(size));

    TlvParser parser(payload);
    if (parser.parse()) {
        require(parser.errorString().isEmpty(), "error text after a successful parse");
        checkList(parser);
        checkDeviceRecords(parser);
        checkEq(parser);
        // Every item's value as a nested list, as the decoders read them.
        for (const TlvEntry &entry : parser.entries()) {
            TlvParser nested(entry.value);
            if (nested.parse()) {
                checkDeviceRecords(nested);
                checkEq(nested);
            }
        }
    } else {
        require(parser.entries().empty() && !parser.errorString().isEmpty(), "a failed parse left items or no text");
    }
    const std::optional<NotifyNameAndHeadsetFirmware> notify = parseNotifyNameAndHeadsetFirmware(payload);
    if (notify)
        require(!notify->name.isEmpty() || !notify->headsetFirmware.isEmpty() || notify->otaState, "empty notify record");
    return 0;
}
