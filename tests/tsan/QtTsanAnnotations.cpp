// ThreadSanitizer annotations for the hand-offs that the distribution's Qt
// orders with locks TSan cannot see (Qt is not instrumented, and its event
// queue, thread state and semaphores are futex-based). Linked into every Qt
// test program of a TSan build: it stands in for the Qt functions through
// which this program's code hands work to another thread, marks the hand-off,
// and calls Qt's own function. Each mark is an ordering that Qt gives, and
// only that one, so that a race Qt does not order still reports:
//
// - A posted call (invokeMethod, a single-shot timer, a queued or blocking
//   connection made here, an event posted here, deleteLater) orders what the
//   posting thread did before the post with the run of that one call, keyed
//   on the call or the event itself; a blocking call's run is ordered before
//   the caller goes on (MarkedCall, MarkedConnection). A receiver deleted on
//   its own thread while another thread emits stays as safe as Qt keeps it
//   (ReceiverGuard).
// - An emission marks nothing of itself, connect nothing, a direct call
//   nothing.
// - A thread's end is ordered before QThread::wait() reports it; no other
//   query of a thread orders anything.
// - QSemaphore: a release before the acquire that takes it.
//
// Connections by name (SIGNAL/SLOT) and Qt's own connections are not marked.
#include "MarkedCall.h"
#include "MarkedConnection.h"
#include "QtTsanMarks.h"
#include "ReceiverGuard.h"

#include "ArgumentCopies.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QList>
#include <QMetaMethod>
#include <QMetaObject>
#include <QObject>
#include <QSemaphore>
#include <QThread>
#include <QThreadStorage>
#include <QTimer>
#include <QVariant>

#include <array>
#include <memory>
#include <optional>
#include <vector>

using QtTsanMarks::crossesThreads;
using QtTsanMarks::key;
using QtTsanMarks::qtFunction;

namespace {

void *eventKey(const QEvent *event)
{
    return key(event, 0);
}

void *deleteKey(const QObject *object)
{
    return key(object, 1);
}

void *endKey(const QThread *thread)
{
    return key(thread, 2);
}

void *semaphoreKey(const QSemaphore *semaphore)
{
    return key(semaphore, 1);
}

bool onEventDelivery(void **data)
{
    const auto *receiver = static_cast<const QObject *>(data[0]);
    const auto *event = static_cast<const QEvent *>(data[1]);
    if (event) {
        __tsan_acquire(eventKey(event));
        if (receiver && event->type() == QEvent::DeferredDelete)
            __tsan_acquire(deleteKey(receiver));
    }
    return false; // deliver as usual
}

[[maybe_unused]] const bool deliveryHooked = QInternal::registerCallback(QInternal::EventNotifyCallback, &onEventDelivery);

// Lives in a thread's storage from the thread's start, and goes when the
// thread has done its last work of ours: its finished() connections and the
// deferred deletes that follow them.
class ThreadEndMark
{
public:
    explicit ThreadEndMark(const QThread *thread) : m_thread(thread) {}
    ~ThreadEndMark() { __tsan_release(endKey(m_thread)); }
    ThreadEndMark(const ThreadEndMark &) = delete;
    ThreadEndMark &operator=(const ThreadEndMark &) = delete;

private:
    const QThread *m_thread;
};

QThreadStorage<ThreadEndMark *> &threadEndMarks()
{
    static QThreadStorage<ThreadEndMark *> marks;
    return marks;
}

// The signal a connect names, from the pointer to its member function.
QMetaMethod signalOf(const QMetaObject *meta, void **signal)
{
    for (; meta; meta = meta->superClass()) {
        int index = -1;
        void *args[] = {&index, signal};
        meta->static_metacall(QMetaObject::IndexOfMethod, 0, args);
        if (index >= 0)
            return meta->method(meta->methodOffset() + index);
    }
    return {};
}

// The method's parameter types when every one can be copied for a queued call.
std::optional<std::vector<QMetaType>> copyableParameters(const QMetaMethod &method)
{
    if (!method.isValid())
        return std::nullopt;
    std::vector<QMetaType> types;
    for (int i = 0; i < method.parameterCount(); ++i) {
        const QMetaType type = method.parameterMetaType(i);
        if (method.parameterTypeName(i).endsWith('&') || !ArgumentCopies::canCopy(type))
            return std::nullopt;
        types.push_back(type);
    }
    return types;
}

using Arguments = std::array<QGenericArgument, 10>;

int argumentCount(const Arguments &arguments)
{
    int count = 0;
    while (count < int(arguments.size()) && arguments[count].name() && *arguments[count].name())
        ++count;
    return count;
}

// The method invokeMethod(object, name, ...) calls, found as Qt finds it.
QMetaMethod methodByName(const QObject *object, const char *name, const Arguments &arguments)
{
    const int count = argumentCount(arguments);
    QByteArray signature(name);
    signature += '(';
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            signature += ',';
        signature += arguments[i].name();
    }
    signature += ')';
    const QMetaObject *meta = object->metaObject();
    int index = meta->indexOfMethod(signature.constData());
    if (index < 0)
        index = meta->indexOfMethod(QMetaObject::normalizedSignature(signature.constData()).constData());
    if (index < 0)
        return {};
    const QMetaMethod method = meta->method(index);
    return method.parameterCount() == count ? method : QMetaMethod();
}

bool callByName(QObject *object, const QMetaMethod &method, QGenericReturnArgument ret, const Arguments &a)
{
    return method.invoke(object, Qt::DirectConnection, ret, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8],
                         a[9]);
}

// A queued invokeMethod by name: posted as a marked call that runs the method
// directly on the object's thread, with the arguments copied here. Empty when
// Qt should handle (and refuse) the call itself.
std::optional<bool> postByName(QObject *object, const QMetaMethod &method, const Arguments &arguments)
{
    const auto types = copyableParameters(method);
    if (!types)
        return std::nullopt;
    void *values[11] = {};
    QList<QByteArray> names;
    for (std::size_t i = 0; i < types->size(); ++i) {
        if (!arguments[i].data())
            return std::nullopt;
        values[i + 1] = arguments[i].data();
        names.append(arguments[i].name());
    }
    auto copies = std::make_shared<ArgumentCopies>(*types, values);
    return QMetaObject::invokeMethod(
        object,
        [object, method, copies, names] {
            Arguments copied;
            for (int i = 0; i < names.size(); ++i)
                copied[i] = QGenericArgument(names[i].constData(), copies->argv()[i + 1]);
            callByName(object, method, QGenericReturnArgument(), copied);
        },
        Qt::QueuedConnection);
}

} // namespace

bool QMetaObject::invokeMethodImpl(QObject *object, QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type,
                                   void *ret)
{
    using Fn = bool (*)(QObject *, QtPrivate::QSlotObjectBase *, Qt::ConnectionType, void *);
    static const auto real =
        qtFunction<Fn>("_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv");
    if (!slot || type == Qt::DirectConnection)
        return real(object, slot, type, ret);
    if (type != Qt::BlockingQueuedConnection)
        return real(object, MarkedCall::post(slot), type, ret);
    const auto done = std::make_unique<char>();
    const bool posted = real(object, MarkedCall::post(slot, done.get()), type, ret);
    __tsan_acquire(done.get());
    return posted;
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
    const Arguments arguments{val0, val1, val2, val3, val4, val5, val6, val7, val8, val9};
    if (obj && member && crossesThreads(obj, type)) {
        const QMetaMethod method = methodByName(obj, member, arguments);
        if (method.isValid() && type == Qt::BlockingQueuedConnection) {
            // The arguments and the return value stay the caller's.
            return QMetaObject::invokeMethod(
                obj, [&] { callByName(obj, method, ret, arguments); }, Qt::BlockingQueuedConnection);
        }
        if (method.isValid() && !ret.data()) {
            if (const auto posted = postByName(obj, method, arguments))
                return *posted;
        }
    }
    return real(obj, member, type, ret, val0, val1, val2, val3, val4, val5, val6, val7, val8, val9);
}

QMetaObject::Connection QObject::connectImpl(const QObject *sender, void **signal, const QObject *receiver,
                                             void **slotPtr, QtPrivate::QSlotObjectBase *slot,
                                             Qt::ConnectionType type, const int *types,
                                             const QMetaObject *senderMetaObject)
{
    // Qt's own connections keep Qt's way.
    if (!sender || !signal || !receiver || !slot || !QtTsanMarks::inProgram(__builtin_return_address(0)))
        return QtTsanMarks::qtConnect(sender, signal, receiver, slotPtr, slot, type, types, senderMetaObject);
    const int flags = type & (Qt::UniqueConnection | Qt::SingleShotConnection);
    const auto base = Qt::ConnectionType(type & ~flags);
    const auto direct = Qt::ConnectionType(Qt::DirectConnection | flags);
    if (base == Qt::DirectConnection) {
        return QtTsanMarks::qtConnect(sender, signal, receiver, slotPtr,
                                      MarkedConnection::connect(slot, base, {}, nullptr), direct, nullptr,
                                      senderMetaObject);
    }
    const auto parameters = copyableParameters(signalOf(senderMetaObject, signal));
    if (!parameters) // Qt refuses to queue these; let it say so
        return QtTsanMarks::qtConnect(sender, signal, receiver, slotPtr, slot, type, types, senderMetaObject);
    ReceiverGuard *guard = ReceiverGuard::watch(receiver);
    auto *marked = MarkedConnection::connect(slot, base, *parameters, guard);
    const QMetaObject::Connection connection =
        QtTsanMarks::qtConnect(sender, signal, receiver, slotPtr, marked, direct, nullptr, senderMetaObject);
    guard->guard(connection);
    guard->release();
    return connection;
}

void QTimer::singleShotImpl(int msec, Qt::TimerType timerType, const QObject *receiver,
                            QtPrivate::QSlotObjectBase *slotObj)
{
    using Fn = void (*)(int, Qt::TimerType, const QObject *, QtPrivate::QSlotObjectBase *);
    static const auto real =
        qtFunction<Fn>("_ZN6QTimer14singleShotImplEiN2Qt9TimerTypeEPK7QObjectPN9QtPrivate15QSlotObjectBaseE");
    real(msec, timerType, receiver, slotObj ? MarkedCall::post(slotObj) : nullptr);
}

void QCoreApplication::postEvent(QObject *receiver, QEvent *event, int priority)
{
    using Fn = void (*)(QObject *, QEvent *, int);
    static const auto real = qtFunction<Fn>("_ZN16QCoreApplication9postEventEP7QObjectP6QEventi");
    if (event)
        __tsan_release(eventKey(event));
    real(receiver, event, priority);
}

void QObject::deleteLater()
{
    using Fn = void (*)(QObject *);
    static const auto real = qtFunction<Fn>("_ZN7QObject11deleteLaterEv");
    __tsan_release(deleteKey(this));
    real(this);
}

void QThread::start(Priority priority)
{
    using Fn = void (*)(QThread *, Priority);
    static const auto real = qtFunction<Fn>("_ZN7QThread5startENS_8PriorityE");
    static const char *const marked = "_velkora_tsan_end";
    if (!property(marked).toBool()) {
        setProperty(marked, true);
        const QThread *thread = this;
        connect(
            this, &QThread::started, this, [thread] { threadEndMarks().setLocalData(new ThreadEndMark(thread)); },
            Qt::DirectConnection);
    }
    real(this, priority);
}

bool QThread::wait(QDeadlineTimer deadline)
{
    using Fn = bool (*)(QThread *, QDeadlineTimer);
    static const auto real = qtFunction<Fn>("_ZN7QThread4waitE14QDeadlineTimer");
    const bool ended = real(this, deadline);
    if (ended)
        __tsan_acquire(endKey(this));
    return ended;
}

void QSemaphore::acquire(int n)
{
    using Fn = void (*)(QSemaphore *, int);
    static const auto real = qtFunction<Fn>("_ZN10QSemaphore7acquireEi");
    real(this, n);
    __tsan_acquire(semaphoreKey(this));
}

bool QSemaphore::tryAcquire(int n)
{
    using Fn = bool (*)(QSemaphore *, int);
    static const auto real = qtFunction<Fn>("_ZN10QSemaphore10tryAcquireEi");
    const bool taken = real(this, n);
    if (taken)
        __tsan_acquire(semaphoreKey(this));
    return taken;
}

bool QSemaphore::tryAcquire(int n, int timeout)
{
    using Fn = bool (*)(QSemaphore *, int, int);
    static const auto real = qtFunction<Fn>("_ZN10QSemaphore10tryAcquireEii");
    const bool taken = real(this, n, timeout);
    if (taken)
        __tsan_acquire(semaphoreKey(this));
    return taken;
}

void QSemaphore::release(int n)
{
    using Fn = void (*)(QSemaphore *, int);
    static const auto real = qtFunction<Fn>("_ZN10QSemaphore7releaseEi");
    __tsan_release(semaphoreKey(this));
    real(this, n);
}
