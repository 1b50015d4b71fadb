#pragma once

#include "protocol/EQData.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <optional>

// Value records decoded from GetBasicInfo replies and device notifications.
namespace HeadsetProtocol {

// Level bytes as received: percentage 0-100 in bits 0-6, bit 7 set while charging.
struct BatteryInfo
{
    quint8 left = 0;
    quint8 right = 0;
    bool rightPresent = false;
    quint8 caseLevel = 0;
    bool casePresent = false;

    friend bool operator==(const BatteryInfo &, const BatteryInfo &) = default;
};

struct FirmwareInfo
{
    bool anyFlag = false;
    bool headsetFlag = false;
    bool dongleFlag = false;
    QString headsetVersion;
    QString dongleVersion;

    friend bool operator==(const FirmwareInfo &, const FirmwareInfo &) = default;
};

struct DeviceIdInfo
{
    quint16 cid = 0;
    quint16 bid = 0;
    quint16 pid = 0;

    friend bool operator==(const DeviceIdInfo &, const DeviceIdInfo &) = default;
};

struct SurroundSoundConfig
{
    quint8 mode = 0;     // 0-2
    quint8 position = 0; // 0-8
    quint8 roomSize = 1; // 0-2

    friend bool operator==(const SurroundSoundConfig &, const SurroundSoundConfig &) = default;
};

// Notify 0x11, item 0x03.
struct NotifyNameAndHeadsetFirmware
{
    QString name;
    QString headsetFirmware;
    bool otaState = false;

    friend bool operator==(const NotifyNameAndHeadsetFirmware &, const NotifyNameAndHeadsetFirmware &) = default;
};

// The GetBasicInfo (0x10) reply.
struct DeviceInfo
{
    BatteryInfo battery;
    bool hasBattery = false;
    QString name;
    std::optional<EQData> eq;
    std::optional<FirmwareInfo> firmware;
    std::optional<DeviceIdInfo> deviceIdInfo;
    quint8 toneVolume = 1; // prompt-tone level 1-7
    bool hasToneVolume = false;
    quint8 volumeLockPercent = 0;
    std::optional<SurroundSoundConfig> surround;
    // Receiver-to-headset link, stored as received: 0 = linked, 1 = not linked.
    std::optional<quint8> dongleHeadsetLink;
    QByteArray deviceIdBytes; // raw item 0x0B

    friend bool operator==(const DeviceInfo &, const DeviceInfo &) = default;
};

// Identity learned from the device-id and brand-info replies.
struct ConnectionInfo
{
    quint16 expectedPid = 0;
    quint16 cid = 0;
    quint16 bid = 0;
    quint16 pid = 0;
    QString deviceId;
    bool validated = false;
};

} // namespace HeadsetProtocol

Q_DECLARE_METATYPE(HeadsetProtocol::BatteryInfo)
Q_DECLARE_METATYPE(HeadsetProtocol::FirmwareInfo)
Q_DECLARE_METATYPE(HeadsetProtocol::DeviceIdInfo)
Q_DECLARE_METATYPE(HeadsetProtocol::SurroundSoundConfig)
Q_DECLARE_METATYPE(HeadsetProtocol::NotifyNameAndHeadsetFirmware)
Q_DECLARE_METATYPE(HeadsetProtocol::DeviceInfo)
Q_DECLARE_METATYPE(HeadsetProtocol::ConnectionInfo)
