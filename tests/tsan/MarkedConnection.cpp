#include "MarkedConnection.h"

#include "ArgumentCopies.h"
#include "QtTsanMarks.h"

#include <QMetaObject>
#include <QObject>

#include <memory>

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

} // namespace

MarkedConnection::MarkedConnection(QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type,
                                   const std::vector<QMetaType> &parameters)
    : QSlotObjectBase(&MarkedConnection::impl), m_slot(slot), m_type(type), m_parameters(parameters)
{
}

MarkedConnection *MarkedConnection::connect(QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type,
                                            const std::vector<QMetaType> &parameters)
{
    // A copy of the types of its own: all of the connection's memory is unseen.
    auto *connection = QtTsanMarks::unseen([&] { return new MarkedConnection(slot, type, parameters); });
    __tsan_release(connectedKey(connection));
    return connection;
}

void MarkedConnection::deliver(QObject *receiver, void **args)
{
    if (!QtTsanMarks::crossesThreads(receiver, m_type)) {
        m_slot->call(receiver, args);
        return;
    }
    QtPrivate::QSlotObjectBase *slot = m_slot;
    const ConnectionReference alive(this);
    if (m_type == Qt::BlockingQueuedConnection) {
        // The arguments stay the caller's; the blocking call orders its end
        // before the caller goes on.
        QMetaObject::invokeMethod(
            receiver, [alive, slot, receiver, args] { slot->call(receiver, args); }, Qt::BlockingQueuedConnection);
        return;
    }
    auto copies = std::make_shared<ArgumentCopies>(m_parameters, args);
    QMetaObject::invokeMethod(
        receiver, [alive, slot, receiver, copies] { slot->call(receiver, copies->argv()); }, Qt::QueuedConnection);
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
        connection->m_slot->destroyIfLastRef();
        QtTsanMarks::unseen([&] { delete connection; });
        break;
    default:
        break;
    }
}
