#pragma once

#include <QMetaType>
#include <QObject>

#include <vector>

class ReceiverGuard;

// The slot object of a connection made in this program's code, standing in
// for the caller's. Qt sees a direct connection and calls it inside the
// emission, on the emitting thread; for a queued (or an automatic one to
// another thread's object) or a blocking queued connection it posts the call
// itself, as a marked call with the arguments copied here: the emitting thread
// is ordered before that run, and nothing else is. A direct call marks
// nothing. The connection's end (a disconnect, its sender or receiver gone)
// is ordered after the connect, as Qt's connection lock orders them. A slot
// called through such a posted call sees no sender(). A receiver deleted on
// its own thread while another thread emits is as safe as with Qt's own
// delivery (ReceiverGuard).
//
// The wrapper's own fields are written and freed unseen: Qt hands the
// connection to the emitting threads without any order TSan could see.
class MarkedConnection : public QtPrivate::QSlotObjectBase
{
public:
    // `type` without the flags; `parameters` are the signal's, copyable;
    // `guard`, for any type but a direct one, is held from now on.
    static MarkedConnection *connect(QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type,
                                     const std::vector<QMetaType> &parameters, ReceiverGuard *guard);

private:
    MarkedConnection(QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type,
                     const std::vector<QMetaType> &parameters, ReceiverGuard *guard);
    static void impl(int which, QSlotObjectBase *self, QObject *receiver, void **args, bool *ret);
    void deliver(QObject *receiver, void **args);
    void post(QObject *receiver, void **args);
    void callAndWait(QObject *receiver, void **args);

    QtPrivate::QSlotObjectBase *const m_slot;
    const Qt::ConnectionType m_type;
    const std::vector<QMetaType> m_parameters;
    ReceiverGuard *const m_guard;
};
