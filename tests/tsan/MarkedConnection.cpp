#include "MarkedConnection.h"

#include "ArgumentCopies.h"
#include "QtTsanMarks.h"
#include "ReceiverGuard.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>

namespace {

// Not at the start, where the reference count is: an atomic is a key of its own.
void *connectedKey(MarkedConnection *connection)
{
    return QtTsanMarks::key(connection, 1);
}

// Keeps a connection, and with it the caller's slot object, alive while a
// posted call of it is pending, as Qt's own queued call does. The
// connection's count, unlike the caller's slot object's, was set unseen: an
// emitting thread need not be ordered after the connect.
class ConnectionReference
{
public:
    explicit ConnectionReference(QtPrivate::QSlotObjectBase *connection) : m_connection(connection)
    {
        m_connection->ref();
    }
    ConnectionReference(const ConnectionReference &other) : m_connection(other.m_connection) { m_connection->ref(); }
    ConnectionReference &operator=(const ConnectionReference &) = delete;
    ~ConnectionReference() { m_connection->destroyIfLastRef(); }

private:
    QtPrivate::QSlotObjectBase *m_connection;
};

// Lets a blocking emission go on once its posted call has run, or has gone
// unrun with its receiver, as Qt's own blocking call does. Only the run is
// ordered before the emitter goes on; the wait itself orders nothing.
class CallEnd
{
public:
    // Held by the posted call; its end lets the emitter go.
    class Token
    {
    public:
        explicit Token(CallEnd &end) : m_end(&end) { m_end->begin(); }
        Token(Token &&other) noexcept : m_end(std::exchange(other.m_end, nullptr)) {}
        Token(const Token &) = delete;
        Token &operator=(const Token &) = delete;
        Token &operator=(Token &&) = delete;
        ~Token()
        {
            if (m_end)
                m_end->end();
        }

        void ran() const { __tsan_release(m_end->ranKey()); }

    private:
        CallEnd *m_end;
    };

    Token token() { return Token(*this); }

    // Returns at once when no call was posted.
    void wait()
    {
        QtTsanMarks::hidden([&] {
            std::unique_lock lock(m_lock);
            m_ended.wait(lock, [&] { return m_pending == 0; });
        });
        __tsan_acquire(ranKey());
    }

private:
    void begin()
    {
        QtTsanMarks::hidden([&] {
            const std::lock_guard lock(m_lock);
            ++m_pending;
        });
    }

    void end()
    {
        QtTsanMarks::hidden([&] {
            const std::lock_guard lock(m_lock);
            --m_pending;
            m_ended.notify_all();
        });
    }

    void *ranKey() const { return m_ranKey.get(); }

    std::mutex m_lock;
    std::condition_variable m_ended;
    int m_pending = 0;
    const std::unique_ptr<char> m_ranKey = std::make_unique<char>();
};

} // namespace

MarkedConnection::MarkedConnection(QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type,
                                   const std::vector<QMetaType> &parameters, ReceiverGuard *guard)
    : QSlotObjectBase(&MarkedConnection::impl), m_slot(slot), m_type(type), m_parameters(parameters), m_guard(guard)
{
}

MarkedConnection *MarkedConnection::connect(QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type,
                                            const std::vector<QMetaType> &parameters, ReceiverGuard *guard)
{
    if (guard)
        guard->hold();
    // A copy of the types of its own: all of the connection's memory is unseen.
    auto *connection = QtTsanMarks::unseen([&] { return new MarkedConnection(slot, type, parameters, guard); });
    __tsan_release(connectedKey(connection));
    return connection;
}

// Qt hands over a receiver that may be going on its own thread: only the
// guard tells whether it can still be touched.
void MarkedConnection::deliver(QObject *receiver, void **args)
{
    if (!m_guard) {
        m_slot->call(receiver, args);
        return;
    }
    if (m_type == Qt::AutoConnection) {
        bool here = false;
        if (!m_guard->whileReceiverStays([&] { here = !QtTsanMarks::crossesThreads(receiver, m_type); }))
            return;
        if (here) {
            m_slot->call(receiver, args);
            return;
        }
    }
    if (m_type == Qt::BlockingQueuedConnection)
        callAndWait(receiver, args);
    else
        post(receiver, args);
}

void MarkedConnection::post(QObject *receiver, void **args)
{
    QtPrivate::QSlotObjectBase *slot = m_slot;
    const ConnectionReference alive(this);
    // Copied before the lock is taken, as Qt copies them: a copy may run any code.
    auto copies = std::make_shared<ArgumentCopies>(m_parameters, args);
    m_guard->whileReceiverStays([&] {
        QMetaObject::invokeMethod(
            receiver, [alive, slot, receiver, copies] { slot->call(receiver, copies->argv()); },
            Qt::QueuedConnection);
    });
}

// Posted as a queued call, so that the guard's lock is not held while the
// caller waits; the arguments stay the caller's.
void MarkedConnection::callAndWait(QObject *receiver, void **args)
{
    QtPrivate::QSlotObjectBase *slot = m_slot;
    const ConnectionReference alive(this);
    CallEnd end;
    m_guard->whileReceiverStays([&] {
        if (receiver->thread() == QThread::currentThread()) {
            // Qt's own blocking call says what is wrong.
            QMetaObject::invokeMethod(
                receiver, [slot, receiver, args] { slot->call(receiver, args); }, Qt::BlockingQueuedConnection);
            return;
        }
        QMetaObject::invokeMethod(
            receiver,
            [alive, slot, receiver, args, token = end.token()] {
                slot->call(receiver, args);
                token.ran();
            },
            Qt::QueuedConnection);
    });
    end.wait();
}

void MarkedConnection::impl(int which, QSlotObjectBase *self, QObject *receiver, void **args, bool *ret)
{
    auto *connection = static_cast<MarkedConnection *>(self);
    switch (which) {
    case Call:
        connection->deliver(receiver, args);
        break;
    case Compare:
        *ret = connection->m_slot->compare(args);
        break;
    case Destroy:
        __tsan_acquire(connectedKey(connection));
        if (connection->m_guard) {
            connection->m_guard->close();
            connection->m_guard->release();
        }
        connection->m_slot->destroyIfLastRef();
        QtTsanMarks::unseen([&] { delete connection; });
        break;
    default:
        break;
    }
}
