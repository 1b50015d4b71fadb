#include "tests/support/fakeapi/FloodWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace FakeApi {

namespace {

constexpr size_t kPieceBytes = 64 * 1024;

} // namespace

FloodWriter::FloodWriter(int descriptor, const QByteArray &head, const QByteArray &body, qint64 totalBytes,
                         bool chunked)
    : m_fd(descriptor),
      m_head(head.constData(), size_t(head.size())),
      m_body(body.constData(), size_t(body.size())),
      m_total(totalBytes),
      m_chunked(chunked)
{
    // Blocking writes: the socket's own pace is the fastest there is.
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK);
    m_thread = std::thread(&FloodWriter::run, this);
}

FloodWriter::~FloodWriter()
{
    m_stop = true;
    // Ends a send that waits for a client that reads no more.
    ::shutdown(m_fd, SHUT_RDWR);
    m_thread.join();
    ::close(m_fd);
}

bool FloodWriter::sendAll(const char *data, size_t size)
{
    while (size > 0 && !m_stop) {
        const ssize_t n = ::send(m_fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false; // the client went
        data += n;
        size -= size_t(n);
    }
    return !m_stop;
}

void FloodWriter::run()
{
    const std::string blanks(kPieceBytes, ' ');
    bool ok = sendAll(m_head.data(), m_head.size());
    qint64 offset = 0;
    while (ok && (m_total < 0 || offset < std::max<qint64>(m_total, qint64(m_body.size())))) {
        size_t piece = kPieceBytes;
        if (m_total >= 0)
            piece = size_t(std::min<qint64>(qint64(piece), std::max<qint64>(m_total, qint64(m_body.size())) - offset));
        // The body first, then blanks.
        const char *data = blanks.data();
        if (offset < qint64(m_body.size())) {
            piece = std::min(piece, m_body.size() - size_t(offset));
            data = m_body.data() + offset;
        }
        if (m_chunked) {
            char size[32];
            const int n = std::snprintf(size, sizeof size, "%zx\r\n", piece);
            ok = sendAll(size, size_t(n)) && sendAll(data, piece) && sendAll("\r\n", 2);
        } else {
            ok = sendAll(data, piece);
        }
        if (ok) {
            offset += qint64(piece);
            m_sent = offset;
        }
    }
    if (ok && m_chunked)
        ok = sendAll("0\r\n\r\n", 5);
    if (ok)
        ::shutdown(m_fd, SHUT_WR); // the close ends a body without a length
    m_done = true;
}

} // namespace FakeApi
