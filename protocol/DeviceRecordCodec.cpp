#include "protocol/DeviceRecordCodec.h"

#include <QDebug>

namespace HeadsetProtocol {

namespace {

constexpr quint8 LevelMask = 0x7F;
constexpr int MaxPercent = 100;

// A nested TLV list inside an item's value; nothing when it does not parse.
std::optional<TlvParser> nestedList(const TlvEntry &entry)
{
    TlvParser nested(entry.value);
    if (!nested.parse())
        return std::nullopt;
    return nested;
}

// The first byte of a one-byte item; nothing for any other length.
std::optional<quint8> singleByte(const TlvParser &parser, quint8 type)
{
    const std::optional<TlvEntry> entry = parser.find(type);
    if (!entry || entry->length != 1)
        return std::nullopt;
    return static_cast<quint8>(entry->value[0]);
}

std::optional<quint16> wordItem(const TlvParser &parser, quint8 type)
{
    const std::optional<TlvEntry> entry = parser.find(type);
    if (!entry || entry->length != 2)
        return std::nullopt;
    return entry->valueUInt16List().front();
}

bool levelOk(quint8 level)
{
    return (level & LevelMask) <= MaxPercent;
}

} // namespace

BatteryInfo batteryFromBytes(const std::vector<quint8> &bytes)
{
    BatteryInfo battery;
    if (bytes.size() >= 1)
        battery.left = bytes[0];
    if (bytes.size() >= 2) {
        battery.right = bytes[1];
        battery.rightPresent = true;
    }
    if (bytes.size() >= 3) {
        battery.caseLevel = bytes[2];
        battery.casePresent = true;
    }
    return battery;
}

std::optional<DeviceInfo> parseDeviceInfo(const TlvParser &parser)
{
    DeviceInfo info;

    if (const auto item = parser.find(BasicInfoTlv::Battery)) {
        info.hasBattery = true;
        info.battery = batteryFromBytes(item->valueBytes());
    }
    if (const auto item = parser.find(BasicInfoTlv::Name))
        info.name = item->valueString();
    if (const auto item = parser.find(BasicInfoTlv::Eq)) {
        if (const auto nested = nestedList(*item))
            info.eq = parseEQData(*nested);
    }
    if (const auto item = parser.find(BasicInfoTlv::Firmware)) {
        if (const auto nested = nestedList(*item)) {
            if (isFullFirmwareTlv(*nested)) {
                info.firmware = parseFirmwareInfo(*nested);
            } else {
                if (!info.firmware)
                    info.firmware = FirmwareInfo{};
                applyFirmwareTlv(*info.firmware, *nested, true);
            }
        }
    }
    if (const auto item = parser.find(BasicInfoTlv::HeadsetFirmware)) {
        if (const auto nested = nestedList(*item)) {
            if (!info.firmware)
                info.firmware = FirmwareInfo{};
            applyFirmwareTlv(*info.firmware, *nested, false);
        }
    }
    if (const auto volume = singleByte(parser, BasicInfoTlv::ToneVolume)) {
        if (*volume >= 1 && *volume <= 7) {
            info.toneVolume = *volume;
            info.hasToneVolume = true;
        } else {
            qWarning() << "Invalid tone volume:" << int(*volume) << "(should be 1-7)";
        }
    }
    if (const auto percent = singleByte(parser, BasicInfoTlv::VolumeLock)) {
        if (*percent <= MaxPercent)
            info.volumeLockPercent = *percent;
        else
            qWarning() << "Invalid volume lock percentage:" << int(*percent) << "(should be 0-100)";
    }
    if (const auto item = parser.find(BasicInfoTlv::Surround)) {
        if (const auto nested = nestedList(*item))
            info.surround = parseSurroundSoundConfig(*nested);
    }
    if (const auto item = parser.find(BasicInfoTlv::DongleHeadsetLink); item && item->length >= 1) {
        const quint8 link = static_cast<quint8>(item->value[0]);
        if (link <= 1)
            info.dongleHeadsetLink = link;
        else
            qWarning() << "Invalid dongle/headset link TLV 0x09 value:" << int(link) << "(expect 0x00 or 0x01)";
    }
    if (const auto item = parser.find(BasicInfoTlv::Identity)) {
        if (const auto nested = nestedList(*item))
            info.deviceIdInfo = parseDeviceIdInfo(*nested);
    }
    if (const auto item = parser.find(BasicInfoTlv::DeviceId); item && !item->value.isEmpty())
        info.deviceIdBytes = item->value;

    return info;
}

bool isValidDeviceInfo(const DeviceInfo &info)
{
    if (!levelOk(info.battery.left))
        return false;
    if (info.battery.rightPresent && !levelOk(info.battery.right))
        return false;
    if (info.battery.casePresent && !levelOk(info.battery.caseLevel))
        return false;
    if (info.toneVolume < 1 || info.toneVolume > 7)
        return false;
    if (info.volumeLockPercent > MaxPercent)
        return false;
    if (info.dongleHeadsetLink && *info.dongleHeadsetLink > 1)
        return false;
    return true;
}

std::optional<FirmwareInfo> parseFirmwareInfo(const TlvParser &parser)
{
    FirmwareInfo info;
    if (const auto flag = singleByte(parser, 0x00))
        info.anyFlag = *flag == 1;
    if (const auto flag = singleByte(parser, 0x01))
        info.headsetFlag = *flag == 1;
    if (const auto flag = singleByte(parser, 0x02))
        info.dongleFlag = *flag == 1;
    if (const auto item = parser.find(0x03))
        info.headsetVersion = item->valueString();
    if (const auto item = parser.find(0x04))
        info.dongleVersion = item->valueString();
    return info;
}

bool isFullFirmwareTlv(const TlvParser &parser)
{
    if (parser.find(0x02) || parser.find(0x03) || parser.find(0x04))
        return true;
    // In the short form sub-item 0x01 is the version string, in the full form a flag byte.
    const std::optional<quint8> flag = singleByte(parser, 0x01);
    return flag && *flag <= 1;
}

void applyFirmwareTlv(FirmwareInfo &info, const TlvParser &parser, bool dongle)
{
    if (const auto item = parser.find(0x00); item && item->length >= 1) {
        const bool set = static_cast<quint8>(item->value[0]) == 1;
        (dongle ? info.dongleFlag : info.headsetFlag) = set;
    }
    if (const auto item = parser.find(0x01))
        (dongle ? info.dongleVersion : info.headsetVersion) = item->valueString();
    info.anyFlag = info.headsetFlag || info.dongleFlag;
}

std::optional<DeviceIdInfo> parseDeviceIdInfo(const TlvParser &parser)
{
    DeviceIdInfo ids;
    ids.cid = wordItem(parser, 0x01).value_or(0);
    ids.bid = wordItem(parser, 0x02).value_or(0);
    ids.pid = wordItem(parser, 0x03).value_or(0);
    return ids;
}

std::optional<SurroundSoundConfig> parseSurroundSoundConfig(const TlvParser &parser)
{
    SurroundSoundConfig config;
    if (const auto mode = singleByte(parser, 0x01)) {
        if (*mode <= 2)
            config.mode = *mode;
        else
            qWarning() << "Invalid surround mode value:" << int(*mode);
    }
    if (const auto position = singleByte(parser, 0x02)) {
        if (*position <= 8)
            config.position = *position;
        else
            qWarning() << "Invalid position value:" << int(*position);
    }
    if (const auto roomSize = singleByte(parser, 0x03)) {
        if (*roomSize <= 2)
            config.roomSize = *roomSize;
        else
            qWarning() << "Invalid roomSize value:" << int(*roomSize);
    }
    return config;
}

void applyHeadsetFirmwareTlv(const TlvParser &parser, NotifyNameAndHeadsetFirmware &data)
{
    if (const auto item = parser.find(0x00); item && item->length >= 1)
        data.otaState = static_cast<quint8>(item->value[0]) == 1;
    if (const auto item = parser.find(0x01))
        data.headsetFirmware = item->valueString();
}

std::optional<NotifyNameAndHeadsetFirmware> parseNotifyNameAndHeadsetFirmware(const QByteArray &value)
{
    TlvParser parser(value);
    if (!parser.parse())
        return std::nullopt;

    NotifyNameAndHeadsetFirmware data;
    if (const auto item = parser.find(0x02))
        data.name = item->valueString();
    applyHeadsetFirmwareTlv(parser, data);
    if (data.headsetFirmware.isEmpty() && !data.otaState) {
        if (const auto item = parser.find(0x05)) {
            if (const auto nested = nestedList(*item))
                applyHeadsetFirmwareTlv(*nested, data);
        }
    }
    if (data.name.isEmpty() && data.headsetFirmware.isEmpty() && !data.otaState)
        return std::nullopt;
    return data;
}

} // namespace HeadsetProtocol
