#pragma once

#include <QtGlobal>

// Command numbers of the headset protocol.
namespace HeadsetProtocol::Command {
inline constexpr quint16 BrandInfo = 0x07;
inline constexpr quint16 DeviceId = 0x0B;
inline constexpr quint16 GetBasicInfo = 0x10;
inline constexpr quint16 DeviceNotify = 0x11;
inline constexpr quint16 EqSettings = 0x20;
inline constexpr quint16 FactoryReset = 0x21;
inline constexpr quint16 BluetoothName = 0x22;
inline constexpr quint16 ToneVolume = 0x23;
inline constexpr quint16 StatusOnly = 0x24;
inline constexpr quint16 Surround = 0x25;
inline constexpr quint16 ReceiverUnbind = 0x26;
inline constexpr quint16 Heartbeat = 0x27;
} // namespace HeadsetProtocol::Command
