#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <mutex>

class QThread;

namespace RemoteUpdate {

// Reads a saved installer back from disk and hashes it with SHA-256 on a
// thread of its own, so a large file never blocks the GUI thread. The object
// lives on the thread that started it and deletes itself once its reading
// thread has ended; a reading that outlives its listener therefore touches
// nothing of it. Its signals arrive on the starting thread. The reader takes
// one block ahead of what the listener has been told, never more, so the
// progress queue stays short and what the listener does with a block's
// progress happens before the next block is read.
class InstallerHashCheck : public QObject
{
    Q_OBJECT
public:
    // Starts reading `filePath` in blocks of `blockBytes`.
    static InstallerHashCheck *start(const QString &filePath, qint64 blockBytes);
    // Only once the reading thread has ended (see waitFinished); the object
    // otherwise goes by itself.
    ~InstallerHashCheck() override;

    // Asks the reading to stop after its current block; nothing more is
    // emitted afterwards.
    void cancel();
    // Waits up to `timeoutMs` for the reading thread to end.
    bool waitFinished(int timeoutMs);

signals:
    // After each block read, and once with 0 and 0 for an empty file.
    void progress(qlonglong bytesHashed, qlonglong bytesTotal);
    // The lower-case hex digest of the whole file, or an empty digest and the
    // reason when it could not be read whole.
    void finished(const QString &digestHex, const QString &error);

private:
    InstallerHashCheck(const QString &filePath, qint64 blockBytes);

    // On the reading thread.
    void run();
    // Waits until the listener has been told about the last block; false when cancelled.
    bool awaitDelivery();
    void post(qlonglong bytesHashed, qlonglong bytesTotal);
    void postResult(const QString &digestHex, const QString &error);

    // On the starting thread.
    void deliverProgress(qlonglong bytesHashed, qlonglong bytesTotal);
    void deliverResult(const QString &digestHex, const QString &error);
    bool isCancelled();

    const QString m_filePath;
    const qint64 m_blockBytes;
    QThread *m_thread = nullptr;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_delivered = true;
    bool m_cancelled = false;
};

} // namespace RemoteUpdate
