#pragma once

#include "tests/support/virtualdevice/IReportResponder.h"
#include "tests/support/virtualheadset/HeadsetWire.h"
#include "tests/support/virtualheadset/ReplyFault.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace VirtualDevices {

struct ReportShape
{
    bool pad = true;            // zero padded to 64 bytes (after the report id)
    bool reportIdPrefix = false;
};

// Device reports waiting to be read, ordered by due time, then by posting.
// Not locked: its owner serialises access.
class ReportOutbox
{
public:
    // Turns the encoded frames of one message into reports as `fault` asks
    // (order, duplicates, splits, garbage, damage) and queues them due at `due`.
    void postMessage(const std::vector<Bytes> &frames, const ReplyFault &fault, ReportShape shape,
                     Clock::time_point due);
    void postReport(Report report, Clock::time_point due);

    std::optional<Report> take(Clock::time_point now);
    std::optional<Clock::time_point> nextDue() const;
    std::size_t size() const { return m_entries.size(); }
    void clear() { m_entries.clear(); }

private:
    struct Entry
    {
        Clock::time_point due;
        std::uint64_t order = 0;
        Report report;
    };

    std::vector<Entry> m_entries;
    std::uint64_t m_nextOrder = 0;
};

} // namespace VirtualDevices
