#include "tests/support/virtualheadset/ReportOutbox.h"

#include <algorithm>

namespace VirtualDevices {

namespace {

struct Piece
{
    Bytes bytes;
    bool mayPad = true; // the head of a split frame must reach the host unpadded
};

Bytes damaged(Bytes frame, const ReplyFault &fault)
{
    if (fault.encryptedBit)
        frame[1] |= 0x80;
    if (fault.lengthField) {
        frame[7] = static_cast<std::uint8_t>(*fault.lengthField & 0xFF);
        frame[8] = static_cast<std::uint8_t>(*fault.lengthField >> 8);
    }
    if (fault.encryptedBit || fault.lengthField)
        HeadsetWire::resealFrame(frame);
    if (fault.corruptCrc)
        frame.back() ^= 0xFF;
    return frame;
}

std::vector<Piece> cut(const std::vector<Bytes> &frames, const ReplyFault &fault)
{
    std::vector<std::uint8_t> order = fault.frameOrder;
    if (order.empty()) {
        for (std::size_t i = 0; i < frames.size(); ++i)
            order.push_back(static_cast<std::uint8_t>(i));
    }
    std::vector<Piece> pieces;
    for (std::uint8_t index : order) {
        if (index >= frames.size())
            continue;
        Bytes frame = index == fault.damagedFrame ? damaged(frames[index], fault) : frames[index];
        if (fault.splitAt > 0 && fault.splitAt < frame.size()) {
            const auto at = frame.begin() + static_cast<std::ptrdiff_t>(fault.splitAt);
            pieces.push_back({Bytes(frame.begin(), at), false});
            pieces.push_back({Bytes(at, frame.end()), true});
        } else {
            pieces.push_back({std::move(frame), true});
        }
    }
    if (!fault.garbageBeforeSync.empty()) {
        if (!pieces.empty() && pieces.front().bytes.size() + fault.garbageBeforeSync.size() <= HeadsetWire::kReportSize)
            pieces.front().bytes.insert(pieces.front().bytes.begin(), fault.garbageBeforeSync.begin(),
                                        fault.garbageBeforeSync.end());
        else
            pieces.insert(pieces.begin(), Piece{fault.garbageBeforeSync, true});
    }
    return pieces;
}

Report shaped(Piece piece, ReportShape shape)
{
    Report report;
    if (shape.reportIdPrefix)
        report.push_back(0x00);
    report.insert(report.end(), piece.bytes.begin(), piece.bytes.end());
    const std::size_t full = HeadsetWire::kReportSize + (shape.reportIdPrefix ? 1 : 0);
    if (shape.pad && piece.mayPad && report.size() < full)
        report.resize(full, 0x00);
    return report;
}

} // namespace

void ReportOutbox::postMessage(const std::vector<Bytes> &frames, const ReplyFault &fault, ReportShape shape,
                               Clock::time_point due)
{
    for (Piece &piece : cut(frames, fault))
        postReport(shaped(std::move(piece), shape), due);
}

void ReportOutbox::postReport(Report report, Clock::time_point due)
{
    Entry entry{due, m_nextOrder++, std::move(report)};
    const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), entry, [](const Entry &a, const Entry &b) {
        return a.due < b.due || (a.due == b.due && a.order < b.order);
    });
    m_entries.insert(at, std::move(entry));
}

std::optional<Report> ReportOutbox::take(Clock::time_point now)
{
    if (m_entries.empty() || m_entries.front().due > now)
        return std::nullopt;
    Report report = std::move(m_entries.front().report);
    m_entries.erase(m_entries.begin());
    return report;
}

std::optional<Clock::time_point> ReportOutbox::nextDue() const
{
    if (m_entries.empty())
        return std::nullopt;
    return m_entries.front().due;
}

} // namespace VirtualDevices
