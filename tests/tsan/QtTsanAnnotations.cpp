// ThreadSanitizer annotations for the hand-offs that the distribution's Qt
// orders with locks TSan cannot see (Qt is not instrumented, and its mutexes,
// event queue and thread state are futex-based). Linked into every Qt test
// program of a TSan build: it stands in for the few Qt functions through which
// our code hands work to another thread, marks the hand-off, and calls Qt's
// own function. Each mark follows an ordering that Qt guarantees, and only
// that one, so a race that Qt does not order still reports.
//
// - Queued calls: posting a call to an object (invokeMethod) releases the
//   object's key, emitting a signal releases the sender's key, both before Qt
//   queues anything; delivering an event to an object acquires its key and,
//   for a queued call, the keys of the senders connected to it. Connections
//   made from our code are recorded for that, and ordered before the sender's
//   later emissions, which may run the connected functor at once.
// - Thread end: QThread emits finished on the thread once its work is done,
//   which releases; wait(), isRunning() and isFinished() acquire when they
//   report the end.
//
// What Qt copies after these marks, the arguments of a queued signal, and what
// it reads after a blocking call returns are covered by cmake/tsan-qt.supp.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QVariant>

#include <sanitizer/tsan_interface.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <vector>

extern "C" {
void __tsan_ignore_thread_begin(void);
void __tsan_ignore_thread_end(void);
void AnnotateIgnoreSyncBegin(const char *file, int line);
void AnnotateIgnoreSyncEnd(const char *file, int line);
}

namespace {

// Distinct addresses inside the object, one per kind of hand-off.
void *receiverKey(const QObject *object)
{
    return const_cast<QObject *>(object);
}

void *senderKey(const QObject *object)
{
    return reinterpret_cast<char *>(const_cast<QObject *>(object)) + 1;
}

void *endKey(const QThread *thread)
{
    return reinterpret_cast<char *>(const_cast<QThread *>(thread)) + 2;
}

void *connectKey(const QObject *sender)
{
    return reinterpret_cast<char *>(const_cast<QObject *>(sender)) + 3;
}

template <typename Fn>
Fn qtFunction(const char *symbol)
{
    void *function = dlsym(RTLD_NEXT, symbol);
    if (!function) {
        std::fprintf(stderr, "[TSan][Qt] %s is not in the Qt libraries; the annotations do not fit this Qt\n", symbol);
        std::abort();
    }
    return reinterpret_cast<Fn>(function);
}

// The connection record is bookkeeping, not part of the program: its lock and
// memory stay out of TSan's view, so they order nothing between threads.
template <typename F>
void outsideTsan(F f)
{
    __tsan_ignore_thread_begin();
    AnnotateIgnoreSyncBegin(__FILE__, __LINE__);
    f();
    AnnotateIgnoreSyncEnd(__FILE__, __LINE__);
    __tsan_ignore_thread_end();
}

std::mutex &connectionsMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Receiver -> senders connected to it. Addresses only: an entry of a deleted
// object at most adds an ordering to a later object at the same address.
std::unordered_map<const QObject *, std::vector<const QObject *>> &sendersByReceiver()
{
    static auto *map = new std::unordered_map<const QObject *, std::vector<const QObject *>>;
    return *map;
}

void recordConnection(const QObject *sender, const QObject *receiver)
{
    if (!sender || !receiver)
        return;
    outsideTsan([&] {
        std::lock_guard lock(connectionsMutex());
        auto &senders = sendersByReceiver()[receiver];
        if (std::find(senders.begin(), senders.end(), sender) == senders.end())
            senders.push_back(sender);
    });
}

std::vector<const QObject *> sendersOf(const QObject *receiver)
{
    std::vector<const QObject *> senders;
    outsideTsan([&] {
        std::lock_guard lock(connectionsMutex());
        const auto found = sendersByReceiver().find(receiver);
        if (found != sendersByReceiver().end())
            senders = found->second;
    });
    return senders;
}

bool onEventDelivery(void **data)
{
    const auto *receiver = static_cast<const QObject *>(data[0]);
    const auto *event = static_cast<const QEvent *>(data[1]);
    if (receiver && event) {
        __tsan_acquire(receiverKey(receiver));
        if (event->type() == QEvent::MetaCall) {
            for (const QObject *sender : sendersOf(receiver))
                __tsan_acquire(senderKey(sender));
        }
    }
    return false; // deliver as usual
}

// Passes `ended` on; once a query reports the end, what the thread did is ours.
bool endSeen(const QThread *thread, bool ended)
{
    if (ended)
        __tsan_acquire(endKey(thread));
    return ended;
}

[[maybe_unused]] const bool deliveryHooked = QInternal::registerCallback(QInternal::EventNotifyCallback, &onEventDelivery);

} // namespace

bool QMetaObject::invokeMethodImpl(QObject *object, QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type,
                                   void *ret)
{
    using Fn = bool (*)(QObject *, QtPrivate::QSlotObjectBase *, Qt::ConnectionType, void *);
    static const auto real =
        qtFunction<Fn>("_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv");
    __tsan_release(receiverKey(object));
    return real(object, slot, type, ret);
}

bool QMetaObject::invokeMethod(QObject *obj, const char *member, Qt::ConnectionType type, QGenericReturnArgument ret,
                               QGenericArgument val0, QGenericArgument val1, QGenericArgument val2,
                               QGenericArgument val3, QGenericArgument val4, QGenericArgument val5,
                               QGenericArgument val6, QGenericArgument val7, QGenericArgument val8,
                               QGenericArgument val9)
{
    using Fn = bool (*)(QObject *, const char *, Qt::ConnectionType, QGenericReturnArgument, QGenericArgument,
                        QGenericArgument, QGenericArgument, QGenericArgument, QGenericArgument, QGenericArgument,
                        QGenericArgument, QGenericArgument, QGenericArgument, QGenericArgument);
    static const auto real = qtFunction<Fn>(
        "_ZN11QMetaObject12invokeMethodEP7QObjectPKcN2Qt14ConnectionTypeE22QGenericReturnArgument16QGenericArgumentS7_"
        "S7_S7_S7_S7_S7_S7_S7_S7_");
    __tsan_release(receiverKey(obj));
    return real(obj, member, type, ret, val0, val1, val2, val3, val4, val5, val6, val7, val8, val9);
}

void QMetaObject::activate(QObject *sender, const QMetaObject *m, int local_signal_index, void **argv)
{
    using Fn = void (*)(QObject *, const QMetaObject *, int, void **);
    static const auto real = qtFunction<Fn>("_ZN11QMetaObject8activateEP7QObjectPKS_iPPv");
    // A connection's functor, built where it was connected, may run right here.
    __tsan_acquire(connectKey(sender));
    __tsan_release(senderKey(sender));
    real(sender, m, local_signal_index, argv);
}

QMetaObject::Connection QObject::connectImpl(const QObject *sender, void **signal, const QObject *receiver,
                                             void **slotPtr, QtPrivate::QSlotObjectBase *slot,
                                             Qt::ConnectionType type, const int *types,
                                             const QMetaObject *senderMetaObject)
{
    using Fn = QMetaObject::Connection (*)(const QObject *, void **, const QObject *, void **,
                                           QtPrivate::QSlotObjectBase *, Qt::ConnectionType, const int *,
                                           const QMetaObject *);
    static const auto real = qtFunction<Fn>(
        "_ZN7QObject11connectImplEPKS_PPvS1_S3_PN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPKiPK11QMetaObject");
    QMetaObject::Connection connection = real(sender, signal, receiver, slotPtr, slot, type, types, senderMetaObject);
    if (connection) {
        recordConnection(sender, receiver);
        __tsan_release(connectKey(sender));
    }
    return connection;
}

void QThread::start(Priority priority)
{
    using Fn = void (*)(QThread *, Priority);
    static const auto real = qtFunction<Fn>("_ZN7QThread5startENS_8PriorityE");
    static const char *const marked = "_velkora_tsan_end";
    if (!property(marked).toBool()) {
        setProperty(marked, true);
        QThread *thread = this;
        connect(this, &QThread::finished, this, [thread] { __tsan_release(endKey(thread)); }, Qt::DirectConnection);
    }
    real(this, priority);
}

bool QThread::wait(QDeadlineTimer deadline)
{
    using Fn = bool (*)(QThread *, QDeadlineTimer);
    static const auto real = qtFunction<Fn>("_ZN7QThread4waitE14QDeadlineTimer");
    return endSeen(this, real(this, deadline));
}

bool QThread::isRunning() const
{
    using Fn = bool (*)(const QThread *);
    static const auto real = qtFunction<Fn>("_ZNK7QThread9isRunningEv");
    return !endSeen(this, !real(this));
}

bool QThread::isFinished() const
{
    using Fn = bool (*)(const QThread *);
    static const auto real = qtFunction<Fn>("_ZNK7QThread10isFinishedEv");
    return endSeen(this, real(this));
}
