#pragma once

#include "protocol/DeviceRecords.h"
#include "protocol/TlvParser.h"

#include <optional>

// Decoders of the device records from parsed TLV lists. Pure and reentrant;
// out-of-range fields are logged as warnings and left at their defaults.
namespace HeadsetProtocol {

// GetBasicInfo reply item types.
namespace BasicInfoTlv {
inline constexpr quint8 Battery = 0x01;
inline constexpr quint8 Name = 0x02;
inline constexpr quint8 Eq = 0x03;
inline constexpr quint8 Firmware = 0x04;
inline constexpr quint8 HeadsetFirmware = 0x05;
inline constexpr quint8 ToneVolume = 0x06;
inline constexpr quint8 VolumeLock = 0x07;
inline constexpr quint8 Surround = 0x08;
inline constexpr quint8 DongleHeadsetLink = 0x09;
inline constexpr quint8 DeviceId = 0x0B;
inline constexpr quint8 Identity = 0xFF;
} // namespace BasicInfoTlv

// Level bytes left, right, case; further bytes are ignored.
BatteryInfo batteryFromBytes(const std::vector<quint8> &bytes);

std::optional<DeviceInfo> parseDeviceInfo(const TlvParser &parser);
bool isValidDeviceInfo(const DeviceInfo &info);

std::optional<FirmwareInfo> parseFirmwareInfo(const TlvParser &parser);
bool isFullFirmwareTlv(const TlvParser &parser);
void applyFirmwareTlv(FirmwareInfo &info, const TlvParser &parser, bool dongle);

std::optional<DeviceIdInfo> parseDeviceIdInfo(const TlvParser &parser);
std::optional<SurroundSoundConfig> parseSurroundSoundConfig(const TlvParser &parser);

std::optional<NotifyNameAndHeadsetFirmware> parseNotifyNameAndHeadsetFirmware(const QByteArray &value);
void applyHeadsetFirmwareTlv(const TlvParser &parser, NotifyNameAndHeadsetFirmware &data);

} // namespace HeadsetProtocol
