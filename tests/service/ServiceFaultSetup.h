#pragma once

#include "hid/HidManagerConfig.h"
#include "hid/HidProtocolServiceDurations.h"
#include "protocol/EQData.h"
#include "protocol/ProtocolHandlerSettings.h"
#include "tests/support/virtualheadset/VirtualHeadset.h"

#include <string>

// What the tests of the device service under I/O faults share: shortened
// durations that a busy machine cannot run past, the EQs they send and the
// devices they take down.
namespace ServiceTest {

// No heartbeat runs (every write of a test is its own), validation has no
// time limit a busy machine could run past, a lost frame costs its request
// two seconds, reconnect tries follow each other quickly, a reconnected
// device's healthy period outlasts the test, and the EQ's two frames are
// enough write errors to be fatal.
HidProtocolServiceDurations faultDurations();
HeadsetProtocol::ProtocolHandlerSettings faultHandlerSettings();
HIDTypes::HidManagerConfig faultHidConfig();

constexpr int kWaitMs = 30000;

// A valid custom EQ other than tenBandEq().
HeadsetProtocol::EQData otherEq();
// The headset stores `eq`.
bool holds(const VirtualDevices::VirtualHeadset &headset, const HeadsetProtocol::EQData &eq);
const std::string &receiverPath();

// A custom EQ of the Qor model that the decoder can hold.
HeadsetProtocol::EQData qorEq();
// The Qor decoder on the bus, played by the virtual decoder, announced by a
// hot-plug event when `announce` is set.
void plugQor(bool announce);
void unplugQor();

} // namespace ServiceTest
