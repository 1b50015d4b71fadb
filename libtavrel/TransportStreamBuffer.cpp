#include "libtavrel/TransportStreamBuffer.h"

#include "libtavrel/TransportFrame.h"

#include <algorithm>

namespace libtavrel {

void TransportStreamBuffer::append(const std::uint8_t *data, std::size_t n)
{
    // While a long frame gathers it sits at the front, so what moves here is
    // only the tail of the report that ended the frame before it.
    if (begin_ != 0) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + std::ptrdiff_t(begin_));
        begin_ = 0;
    }
    // Grow as usual, but not past one maximal frame and a report.
    const std::size_t needed = bytes_.size() + n;
    if (needed > bytes_.capacity())
        bytes_.reserve(std::max(needed, std::min(2 * bytes_.capacity(), kMaxBuffered)));
    bytes_.insert(bytes_.end(), data, data + n);
}

void TransportStreamBuffer::consume(std::size_t n)
{
    begin_ += n;
    if (begin_ == bytes_.size()) {
        bytes_.clear();
        begin_ = 0;
    }
}

void TransportStreamBuffer::resynchronise()
{
    const auto first = bytes_.begin() + std::ptrdiff_t(begin_);
    const std::uint8_t magic[2] = {TransportFrame::kMagic0, TransportFrame::kMagic1};
    const auto found = std::search(first, bytes_.end(), magic, magic + 2);
    if (found != bytes_.end()) {
        consume(std::size_t(found - first));
        return;
    }
    const bool keepLast = size() != 0 && bytes_.back() == TransportFrame::kMagic0;
    consume(size() - (keepLast ? 1 : 0));
}

bool TransportStreamBuffer::extractFrame(ReadDataPackage &out)
{
    for (;;) {
        resynchronise();
        if (size() < TransportFrame::kOverhead)
            return false;
        const std::uint8_t *frame = bytes_.data() + begin_;
        const std::size_t length = std::size_t(frame[4]) << 8 | frame[5];
        if (length == 0) {
            consume(2);
            continue;
        }
        if (size() < length + 7)
            return false;
        if (frame[length + 6] != TransportFrame::kEnd) {
            consume(length + 7);
            continue;
        }
        out.channel = frame[2] >> 4;
        out.kind = frame[6];
        out.payload.assign(frame + TransportFrame::kHeaderSize, frame + 6 + length);
        consume(length + 7);
        return true;
    }
}

} // namespace libtavrel
