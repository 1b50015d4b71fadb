#pragma once

#include <QByteArray>

#include <atomic>
#include <string>
#include <thread>

namespace FakeApi {

// Writes one answer on a connection as fast as the socket takes it, on a
// thread of its own, so the writing never waits for the event loop that the
// client under test shares with the server: the head, the body, then blanks
// up to `totalBytes` of body (without end when negative), in chunked
// framing or ended by closing the connection. It stops when the client
// goes; destruction stops it too. Plain POSIX, no Qt on its thread.
class FloodWriter
{
public:
    // Takes over the connected socket `descriptor`.
    FloodWriter(int descriptor, const QByteArray &head, const QByteArray &body, qint64 totalBytes, bool chunked);
    ~FloodWriter();
    FloodWriter(const FloodWriter &) = delete;
    FloodWriter &operator=(const FloodWriter &) = delete;

    // Body bytes the socket took, framing not counted.
    qint64 bodyBytesSent() const { return m_sent.load(); }
    bool isDone() const { return m_done.load(); }

private:
    void run();
    bool sendAll(const char *data, size_t size);

    const int m_fd;
    const std::string m_head;
    const std::string m_body;
    const qint64 m_total;
    const bool m_chunked;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_sent{0};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

} // namespace FakeApi
