#pragma once

#include <QtGlobal>

#include <deque>

namespace HeadsetProtocol {

// When the bytes waiting in the receive buffer were read: one span per piece
// of incoming data, front to back, kept in step with the buffer.
class ReceiveReadTimes
{
public:
    void append(qsizetype bytes, qint64 readMs);
    // The read time of the byte `offset` bytes behind the front.
    qint64 at(qsizetype offset) const;
    void dropFront(qsizetype bytes);
    void clear() { m_spans.clear(); }

private:
    struct Span
    {
        qsizetype bytes = 0;
        qint64 readMs = 0;
    };
    std::deque<Span> m_spans;
};

} // namespace HeadsetProtocol
