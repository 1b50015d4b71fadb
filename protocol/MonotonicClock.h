#pragma once

#include <QtGlobal>

// The one clock that reports are stamped with where they are read (the HID
// I/O thread) and that the protocol handler runs on by default, so that the
// two can be compared.
namespace HeadsetProtocol::MonotonicClock {

// Milliseconds of a monotonic clock; never 0, which the request queue reads as "unset".
qint64 nowMs();

} // namespace HeadsetProtocol::MonotonicClock
