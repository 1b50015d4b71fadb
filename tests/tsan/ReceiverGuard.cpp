#include "ReceiverGuard.h"

#include "QtTsanMarks.h"

#include <cstdio>

using QtTsanMarks::hidden;

// The slot object of a direct connection to the receiver's destroyed(), of
// which Qt holds the only reference: its call is the receiver starting to go,
// its end the end of the watch, whoever cut it.
class ReceiverGuard::Watch : public QtPrivate::QSlotObjectBase
{
public:
    Watch(ReceiverGuard *guard, int generation)
        : QSlotObjectBase(&Watch::impl), m_guard(guard), m_generation(generation)
    {
    }

private:
    static void impl(int which, QSlotObjectBase *self, QObject *, void **, bool *ret)
    {
        auto *watch = static_cast<Watch *>(self);
        switch (which) {
        case Call:
            watch->m_guard->receiverGoing();
            break;
        case Compare:
            *ret = false;
            break;
        case Destroy: {
            ReceiverGuard *guard = watch->m_guard;
            const int generation = watch->m_generation;
            hidden([&] { delete watch; });
            guard->watchEnded(generation);
            break;
        }
        default:
            break;
        }
    }

    ReceiverGuard *const m_guard;
    const int m_generation;
};

ReceiverGuard::Held::Held(ReceiverGuard &guard) : m_guard(guard)
{
    hidden([&] {
        m_guard.m_lock.lock();
        m_going = m_guard.m_going;
    });
}

ReceiverGuard::Held::~Held()
{
    hidden([&] { m_guard.m_lock.unlock(); });
}

ReceiverGuard::ReceiverGuard(const QObject *receiver) : m_receiver(receiver) {}

ReceiverGuard *ReceiverGuard::watch(const QObject *receiver)
{
    auto *guard = hidden([&] { return new ReceiverGuard(receiver); });
    guard->arm(receiver);
    return guard;
}

void ReceiverGuard::hold()
{
    hidden([&] {
        const std::lock_guard lock(m_lock);
        ++m_references;
    });
}

void ReceiverGuard::release()
{
    hidden([&] {
        m_lock.lock();
        const bool last = --m_references == 0;
        m_lock.unlock();
        if (last)
            delete this;
    });
}

void ReceiverGuard::guard(const QMetaObject::Connection &connection)
{
    QMetaObject::Connection kept = connection;
    hidden([&] {
        const std::lock_guard lock(m_lock);
        if (!m_going && !m_closed)
            m_connection.swap(kept);
    });
}

void ReceiverGuard::close()
{
    QMetaObject::Connection watching;
    QMetaObject::Connection connection;
    hidden([&] {
        const std::lock_guard lock(m_lock);
        m_closed = true;
        m_watch.swap(watching);
        m_connection.swap(connection);
    });
    if (watching)
        QObject::disconnect(watching);
}

// Called with one reference held for the watch made here, and the guard kept
// by another meanwhile.
void ReceiverGuard::arm(const QObject *receiver)
{
    enum class Armed { Yes, Closed, EndedEarly };
    for (;;) {
        const int generation = hidden([&] {
            const std::lock_guard lock(m_lock);
            return ++m_generation;
        });
        auto *watcher = hidden([&] { return new Watch(this, generation); });
        auto destroyed = &QObject::destroyed;
        QMetaObject::Connection connection =
            QtTsanMarks::qtConnect(receiver, reinterpret_cast<void **>(&destroyed), receiver, nullptr, watcher,
                                   Qt::DirectConnection, nullptr, &QObject::staticMetaObject);
        const Armed armed = hidden([&] {
            const std::lock_guard lock(m_lock);
            if (m_endedEarly == generation)
                return Armed::EndedEarly;
            m_armed = generation;
            if (m_closed)
                return Armed::Closed;
            m_watch.swap(connection);
            return Armed::Yes;
        });
        if (armed == Armed::Yes)
            return;
        if (armed == Armed::Closed) {
            QObject::disconnect(connection);
            return;
        }
        if (!connection) {
            std::fputs("[TSan][Qt] Qt refused to watch a receiver's end; its queued calls are not guarded\n", stderr);
            release();
            return;
        }
        // Cut by another thread before it was armed: the next watch takes its reference.
    }
}

void ReceiverGuard::receiverGoing()
{
    QMetaObject::Connection connection;
    hidden([&] {
        const std::lock_guard lock(m_lock);
        m_going = true;
        m_connection.swap(connection);
    });
    // Outside the lock: Qt may end the marked connection in it, which closes this guard.
    if (connection)
        QObject::disconnect(connection);
}

void ReceiverGuard::watchEnded(int generation)
{
    enum class Next { Release, WatchAgain, Cut, LeaveToArm };
    const QObject *receiver = nullptr;
    QMetaObject::Connection connection;
    const Next next = hidden([&] {
        const std::lock_guard lock(m_lock);
        if (generation != m_armed) {
            m_endedEarly = generation;
            return Next::LeaveToArm;
        }
        m_armed = 0;
        if (m_going || m_closed)
            return Next::Release;
        // Cut before the receiver's destroyed() reached it, by a disconnect of
        // the receiver's signals: watch it again while it stays.
        receiver = m_receiver.data();
        if (receiver)
            return Next::WatchAgain;
        m_going = true;
        m_connection.swap(connection);
        return Next::Cut;
    });
    switch (next) {
    case Next::LeaveToArm:
        return;
    case Next::WatchAgain:
        hold();
        arm(receiver);
        break;
    case Next::Cut:
        if (connection)
            QObject::disconnect(connection);
        break;
    case Next::Release:
        break;
    }
    release();
}
