#include "tests/support/virtualreceiver/HostFrameReader.h"

namespace VirtualDevices {

std::vector<HostFrame> HostFrameReader::feedReport(const std::vector<std::uint8_t> &report)
{
    if (report.size() > 1)
        pending_.insert(pending_.end(), report.begin() + 1, report.end());

    std::vector<HostFrame> frames;
    while (pending_.size() >= 2) {
        if (pending_[0] != 0x4A || pending_[1] != 0x4C) {
            pending_.pop_front(); // padding between frames
            continue;
        }
        if (pending_.size() < 7)
            break;
        const std::size_t announced = std::size_t(pending_[4]) * 256 + pending_[5];
        if (announced == 0) {
            ++malformed_;
            pending_.pop_front();
            continue;
        }
        const std::size_t total = announced + 7;
        if (pending_.size() < total)
            break;
        if (pending_[total - 1] != 0xED) {
            ++malformed_;
            pending_.pop_front();
            continue;
        }
        HostFrame frame;
        frame.channel = pending_[2] / 16;
        frame.kind = pending_[6];
        frame.payload.assign(pending_.begin() + 7, pending_.begin() + std::ptrdiff_t(total - 1));
        pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(total));
        frames.push_back(std::move(frame));
    }
    return frames;
}

} // namespace VirtualDevices
