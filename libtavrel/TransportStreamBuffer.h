#pragma once

#include "libtavrel/ReadDataPackage.h"

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
    void append(const std::uint8_t *data, std::size_t n);

    // Takes the next well-formed frame off the front. A frame whose end byte
    // is wrong is dropped whole, by its announced length: its bytes are not
    // to be read as frames of their own. A length out of range is noise that
    // costs only its magic, so it cannot hold back the real frames behind it.
    // False when no complete frame is buffered yet.
    bool extractFrame(ReadDataPackage &out);

    std::size_t size() const { return bytes_.size() - begin_; }

private:
    // Drops everything before the first magic; a lone trailing 0x4A stays,
    // since its 0x4C may come with the next report.
    void resynchronise();
    void consume(std::size_t n);

    std::vector<std::uint8_t> bytes_;
    std::size_t begin_ = 0; // consumed prefix, compacted lazily
};

} // namespace libtavrel
