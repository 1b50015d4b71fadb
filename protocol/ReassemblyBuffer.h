#pragma once

#include <QByteArray>

#include <vector>

namespace HeadsetProtocol {

// One multi-frame message while its fragments come in.
struct ReassemblyBuffer
{
    quint16 cmd = 0;
    quint8 seq = 0;
    quint8 totalFrames = 0;              // from the first fragment that arrived
    std::vector<QByteArray> fragments;   // by frame index; empty = not arrived yet
    qint64 lastUpdateMs = 0;             // read time of the fragment stored last
    int lastIndex = -1;                  // index of the fragment stored last
};

} // namespace HeadsetProtocol
