#include "cloud/InstallerHashCheck.h"

#include <QCryptographicHash>
#include <QPointer>
#include <QTimer>
#include <QtDebug>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RemoteUpdate {

// What the check and its reading thread share; it lives until both are done
// with it, so an abandoned reader never touches a destroyed check.
struct InstallerHashCheck::Shared
{
    ~Shared()
    {
        if (fd >= 0)
            ::close(fd);
    }

    // Set before the reader starts, never changed.
    int fd = -1;
    qint64 blockBytes = 1;

    std::mutex mutex;
    std::condition_variable wake;
    // Under `mutex`: where the reader posts to (null once nobody listens),
    // whether the last block's progress has been delivered, and the states.
    InstallerHashCheck *receiver = nullptr;
    bool delivered = true;
    bool cancelled = false;
    bool done = false;
};

namespace {

// Queues `call` to the check, if it still listens; the lock keeps it from going meanwhile.
template <typename Shared, typename Call>
void postTo(Shared &shared, Call call)
{
    const std::lock_guard<std::mutex> lock(shared.mutex);
    if (shared.receiver)
        QMetaObject::invokeMethod(shared.receiver, [receiver = shared.receiver, call] { call(receiver); },
                                  Qt::QueuedConnection);
}

} // namespace

InstallerHashCheck::InstallerHashCheck(int descriptor, qint64 blockBytes, int timeoutMs, QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>()), m_timer(new QTimer(this))
{
    m_shared->fd = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    m_shared->blockBytes = std::max<qint64>(1, blockBytes);
    m_shared->receiver = this;
    m_timer->setSingleShot(true);
    m_timer->setInterval(std::max(0, timeoutMs));
    connect(m_timer, &QTimer::timeout, this, &InstallerHashCheck::onTimeout);
}

InstallerHashCheck::~InstallerHashCheck()
{
    detachReader();
    if (!m_thread.joinable())
        return;
    bool ended = false;
    {
        std::unique_lock<std::mutex> lock(m_shared->mutex);
        // After a time-out the reader is known to hang; the GUI does not wait for it again.
        ended = m_abandoned ? m_shared->done
                            : m_shared->wake.wait_for(lock, std::chrono::milliseconds(stopWaitMs),
                                                      [this] { return m_shared->done; });
    }
    if (ended) {
        m_thread.join();
        return;
    }
    qWarning().noquote() << QStringLiteral("[Update] installer read-back still busy after %1 ms; left to end on its own")
                                .arg(m_abandoned ? m_timer->interval() : stopWaitMs);
    m_thread.detach();
}

void InstallerHashCheck::start()
{
    if (m_thread.joinable())
        return;
    if (m_timer->interval() > 0)
        m_timer->start();
    try {
        m_thread = std::thread(&InstallerHashCheck::read, m_shared);
    } catch (const std::system_error &error) {
        const QString reason = QString::fromLocal8Bit(error.what());
        QTimer::singleShot(0, this, [this, reason] { deliverResult(QString(), reason); });
    }
}

void InstallerHashCheck::detachReader()
{
    m_stopped = true;
    m_timer->stop();
    {
        const std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->cancelled = true;
        m_shared->receiver = nullptr;
    }
    m_shared->wake.notify_all();
}

void InstallerHashCheck::onTimeout()
{
    if (m_stopped)
        return;
    detachReader();
    m_abandoned = true;
    emit timedOut();
}

void InstallerHashCheck::read(const std::shared_ptr<Shared> &shared)
{
    Shared &s = *shared;
    const auto finish = [&s] {
        {
            const std::lock_guard<std::mutex> lock(s.mutex);
            s.done = true;
        }
        s.wake.notify_all();
    };
    const auto fail = [&](const QString &reason) {
        postTo(s, [reason](InstallerHashCheck *check) { check->deliverResult(QString(), reason); });
        finish();
    };

    struct stat st = {};
    if (s.fd < 0 || ::fstat(s.fd, &st) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    const qint64 size = st.st_size;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::vector<char> block(static_cast<size_t>(s.blockBytes));
    qint64 hashed = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(s.mutex);
            s.wake.wait(lock, [&s] { return s.delivered || s.cancelled; });
            if (s.cancelled) {
                lock.unlock();
                return finish();
            }
        }
        ssize_t n = 0;
        do {
            n = ::read(s.fd, block.data(), block.size());
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return fail(QString::fromLocal8Bit(std::strerror(errno)));
        if (n == 0)
            break;
        hash.addData(QByteArrayView(block.data(), n));
        hashed += n;
        {
            const std::lock_guard<std::mutex> lock(s.mutex);
            s.delivered = false;
        }
        const qlonglong done = std::min(hashed, size);
        postTo(s, [done, size](InstallerHashCheck *check) { check->deliverProgress(done, size); });
    }
    if (size == 0 && hashed == 0)
        postTo(s, [](InstallerHashCheck *check) { check->deliverProgress(0, 0); });
    // Shorter or longer than when it was opened: it was changed while read.
    if (hashed != size)
        return fail(QStringLiteral("file changed while it was read (%1 of %2 bytes)").arg(hashed).arg(size));
    const QString digest = QString::fromLatin1(hash.result().toHex());
    postTo(s, [digest](InstallerHashCheck *check) { check->deliverResult(digest, QString()); });
    finish();
}

void InstallerHashCheck::deliverProgress(qlonglong bytesHashed, qlonglong bytesTotal)
{
    // Posted before the check stopped listening: dropped.
    if (m_stopped)
        return;
    const QPointer<InstallerHashCheck> self(this);
    emit progress(bytesHashed, bytesTotal);
    if (!self)
        return;
    {
        const std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->delivered = true;
    }
    m_shared->wake.notify_all();
}

void InstallerHashCheck::deliverResult(const QString &digestHex, const QString &error)
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_timer->stop();
    emit finished(digestHex, error);
}

} // namespace RemoteUpdate
