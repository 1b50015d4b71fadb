#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <mutex>

// Keeps Qt's guarantee for a marked connection that posts its calls (queued,
// automatic to another thread, blocking) when its receiver is deleted on its
// own thread while another thread emits. Qt posts a queued call under a lock
// of the receiver's that the receiver's destructor takes to cut its
// connections, and removes the receiver's pending events after that: a call
// is posted in time to go with the receiver, or not at all. Qt sees a marked
// connection as a direct one, so the guard does the same with a lock of its
// own: when the receiver starts to go (its destroyed(), before Qt cuts its
// connections and removes its events) the guard cuts the connection and lets
// nothing more be posted. Cut there, the connection also stays out of the
// destructor's own cut, which frees the slot object of a direct connection
// while another thread may be emitting through it.
//
// The lock and the fields are hidden from TSan: they order nothing.
class ReceiverGuard
{
public:
    // A guard watching `receiver`, for a connection about to be made to it;
    // the caller holds one reference.
    static ReceiverGuard *watch(const QObject *receiver);

    void hold();
    void release();

    // The connection made to the receiver, or an invalid one when Qt refused it.
    void guard(const QMetaObject::Connection &connection);
    // The connection has ended: nothing more to watch.
    void close();

    // Runs `post` under the guard's lock unless the receiver has started to
    // go; false when it has.
    template <typename Post>
    bool whileReceiverStays(Post &&post);

private:
    class Watch;
    class Held;

    explicit ReceiverGuard(const QObject *receiver);

    void arm(const QObject *receiver);
    void receiverGoing();
    void watchEnded(int generation);

    std::mutex m_lock;
    const QPointer<const QObject> m_receiver;
    QMetaObject::Connection m_connection;
    QMetaObject::Connection m_watch;
    int m_references = 2; // the caller's and the first watch's
    // Each watch made has a number; the one armed, and one that ended before
    // it was (Qt refused it, or another thread cut it at once).
    int m_generation = 0;
    int m_armed = 0;
    int m_endedEarly = 0;
    bool m_going = false;
    bool m_closed = false;
};

// The receiver does not start to go while it is held.
class ReceiverGuard::Held
{
public:
    explicit Held(ReceiverGuard &guard);
    ~Held();
    Held(const Held &) = delete;
    Held &operator=(const Held &) = delete;

    bool receiverGoing() const { return m_going; }

private:
    ReceiverGuard &m_guard;
    bool m_going = false;
};

template <typename Post>
bool ReceiverGuard::whileReceiverStays(Post &&post)
{
    const Held held(*this);
    if (held.receiverGoing())
        return false;
    post();
    return true;
}
