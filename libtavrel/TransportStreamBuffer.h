#pragma once

#include "libtavrel/ReadDataPackage.h"
#include "libtavrel/TransportFrame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace libtavrel {

// Received bytes not yet framed. Reports carry frames split, packed, padded
// with zeros or mixed with noise; this buffer turns the stream back into
// transport frames.
class TransportStreamBuffer
{
public:
    // Bytes of one input report, without its report id.
    static constexpr std::size_t kReportBytes = 64;
    // What a reader that drains after every report ever holds: a maximal
    // frame still short of its last byte, and the report that brings it.
    static constexpr std::size_t kMaxBuffered = TransportFrame::kMaxFrameSize + kReportBytes;

    void append(const std::uint8_t *data, std::size_t n);

    // Takes the next well-formed frame off the front. A frame waits for all
    // the bytes its length announces and then goes whole: delivered, or
    // dropped when its end byte is wrong. Its payload is never scanned for
    // frames. Only a zero length, which no frame has, costs just the magic.
    // False when no complete frame is buffered yet.
    bool extractFrame(ReadDataPackage &out);

    std::size_t size() const { return bytes_.size() - begin_; }
    // Memory held, live or not.
    std::size_t capacity() const { return bytes_.capacity(); }

private:
    // Drops everything before the first magic; a lone trailing 0x4A stays,
    // since its 0x4C may come with the next report.
    void resynchronise();
    void consume(std::size_t n);

    std::vector<std::uint8_t> bytes_;
    std::size_t begin_ = 0; // consumed prefix, compacted on the next append
};

} // namespace libtavrel
