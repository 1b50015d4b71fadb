#pragma once

#include "protocol/ProtocolTypes.h"

#include <QByteArray>

namespace HeadsetProtocol {

// One received frame, split into its fields. `valid` is true only when every
// check passed; the other fields are filled as far as the checks got.
struct ParsedFrame
{
    bool valid = false;
    quint8 seq = 0;
    quint16 cmd = 0;
    CommandType type = CommandType::Request;
    quint8 frameIndex = 0;
    quint8 totalFrames = 0;
    quint16 length = 0;
    QByteArray payload; // deciphered when it arrived enciphered
    bool encrypted = false;
};

} // namespace HeadsetProtocol
