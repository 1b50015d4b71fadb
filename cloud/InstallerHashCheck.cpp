#include "cloud/InstallerHashCheck.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QPointer>
#include <QThread>

#include <algorithm>

namespace RemoteUpdate {

InstallerHashCheck *InstallerHashCheck::start(const QString &filePath, qint64 blockBytes)
{
    auto *check = new InstallerHashCheck(filePath, blockBytes);
    check->m_thread->start();
    return check;
}

InstallerHashCheck::InstallerHashCheck(const QString &filePath, qint64 blockBytes)
    : m_filePath(filePath), m_blockBytes(std::max<qint64>(1, blockBytes))
{
    m_thread = QThread::create([this] { run(); });
    m_thread->setObjectName(QStringLiteral("InstallerHashCheck"));
    m_thread->setParent(this);
    // The reading uses this object to its end, so the object goes after its thread.
    connect(m_thread, &QThread::finished, this, &QObject::deleteLater);
}

InstallerHashCheck::~InstallerHashCheck() = default;

void InstallerHashCheck::cancel()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_cancelled = true;
    }
    m_wake.notify_all();
}

bool InstallerHashCheck::waitFinished(int timeoutMs)
{
    return m_thread->wait(QDeadlineTimer(timeoutMs));
}

bool InstallerHashCheck::isCancelled()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_cancelled;
}

void InstallerHashCheck::run()
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        postResult(QString(), file.errorString());
        return;
    }
    const qint64 size = file.size();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 hashed = 0;
    for (;;) {
        if (!awaitDelivery())
            return;
        const QByteArray block = file.read(m_blockBytes);
        if (block.isEmpty()) {
            if (file.error() != QFileDevice::NoError) {
                postResult(QString(), file.errorString());
                return;
            }
            break;
        }
        hash.addData(block);
        hashed += block.size();
        post(std::min(hashed, size), size);
    }
    if (size == 0 && hashed == 0)
        post(0, 0);
    // Shorter or longer than when it was opened: it was changed while read.
    if (hashed != size) {
        postResult(QString(), QStringLiteral("file changed while it was read (%1 of %2 bytes)").arg(hashed).arg(size));
        return;
    }
    postResult(QString::fromLatin1(hash.result().toHex()), QString());
}

bool InstallerHashCheck::awaitDelivery()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [this] { return m_delivered || m_cancelled; });
    return !m_cancelled;
}

void InstallerHashCheck::post(qlonglong bytesHashed, qlonglong bytesTotal)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_delivered = false;
    }
    QMetaObject::invokeMethod(
        this, [this, bytesHashed, bytesTotal] { deliverProgress(bytesHashed, bytesTotal); }, Qt::QueuedConnection);
}

void InstallerHashCheck::postResult(const QString &digestHex, const QString &error)
{
    QMetaObject::invokeMethod(
        this, [this, digestHex, error] { deliverResult(digestHex, error); }, Qt::QueuedConnection);
}

void InstallerHashCheck::deliverProgress(qlonglong bytesHashed, qlonglong bytesTotal)
{
    const QPointer<InstallerHashCheck> self(this);
    if (!isCancelled())
        emit progress(bytesHashed, bytesTotal);
    if (!self)
        return;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_delivered = true;
    }
    m_wake.notify_all();
}

void InstallerHashCheck::deliverResult(const QString &digestHex, const QString &error)
{
    if (!isCancelled())
        emit finished(digestHex, error);
}

} // namespace RemoteUpdate
