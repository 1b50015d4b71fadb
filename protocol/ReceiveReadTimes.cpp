#include "protocol/ReceiveReadTimes.h"

namespace HeadsetProtocol {

void ReceiveReadTimes::append(qsizetype bytes, qint64 readMs)
{
    if (bytes > 0)
        m_spans.push_back({bytes, readMs});
}

qint64 ReceiveReadTimes::at(qsizetype offset) const
{
    for (const Span &span : m_spans) {
        if (offset < span.bytes)
            return span.readMs;
        offset -= span.bytes;
    }
    return m_spans.empty() ? 0 : m_spans.back().readMs;
}

void ReceiveReadTimes::dropFront(qsizetype bytes)
{
    while (bytes > 0 && !m_spans.empty()) {
        Span &front = m_spans.front();
        if (front.bytes > bytes) {
            front.bytes -= bytes;
            return;
        }
        bytes -= front.bytes;
        m_spans.pop_front();
    }
}

} // namespace HeadsetProtocol
