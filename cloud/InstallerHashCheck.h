#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <thread>

class QTimer;

namespace RemoteUpdate {

// Reads a saved installer back through a descriptor the caller keeps open
// and hashes it with SHA-256 on a thread of its own, so a large file never
// blocks the GUI thread. The reader takes one block ahead of what the
// listener has been told, never more, so the progress queue stays short and
// what the listener does with a block's progress happens before the next
// block is read. The check is bounded in time: a read that never returns (a
// stuck network mount) ends it with timedOut, and its thread is left to end
// on its own once the read returns; it touches nothing of this object then.
// GUI thread; the signals come on it.
class InstallerHashCheck : public QObject
{
    Q_OBJECT
public:
    // Reads through a copy of `descriptor`, from its position to the end, in
    // blocks of `blockBytes`; the caller's stays open (it shares the
    // position, so the caller does not read from it meanwhile). A `timeoutMs`
    // of 0 or less waits without end.
    InstallerHashCheck(int descriptor, qint64 blockBytes, int timeoutMs, QObject *parent = nullptr);
    // Cancels, and waits a moment for the reader to end; a reader held in a
    // read is left to end alone.
    ~InstallerHashCheck() override;

    void start();

    // How long the destructor waits for the reader.
    static constexpr int stopWaitMs = 1000;

signals:
    // After each block read, and once with 0 and 0 for an empty file.
    void progress(qlonglong bytesHashed, qlonglong bytesTotal);
    // The lower-case hex digest of the whole file, or an empty digest and the
    // reason when it could not be read whole.
    void finished(const QString &digestHex, const QString &error);
    // The check took longer than its bound; the reading is abandoned.
    void timedOut();

private:
    struct Shared;

    static void read(const std::shared_ptr<Shared> &shared);
    void deliverProgress(qlonglong bytesHashed, qlonglong bytesTotal);
    void deliverResult(const QString &digestHex, const QString &error);
    void onTimeout();
    // Stops the reader; nothing of it reaches this object afterwards.
    void detachReader();

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    QTimer *m_timer;
    bool m_stopped = false;
    bool m_abandoned = false;
};

} // namespace RemoteUpdate
