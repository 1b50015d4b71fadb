#include "QtTsanMarks.h"

#include <QThread>

namespace QtTsanMarks {

bool inProgram(const void *address)
{
    static const void *const programBase = [] {
        Dl_info info{};
        return dladdr(reinterpret_cast<const void *>(&inProgram), &info) ? info.dli_fbase : nullptr;
    }();
    Dl_info info{};
    return programBase && dladdr(address, &info) && info.dli_fbase == programBase;
}

bool crossesThreads(const QObject *object, Qt::ConnectionType type)
{
    return type == Qt::QueuedConnection || type == Qt::BlockingQueuedConnection
        || (type == Qt::AutoConnection && object->thread() != QThread::currentThread());
}

QMetaObject::Connection qtConnect(const QObject *sender, void **signal, const QObject *receiver, void **slotPtr,
                                  QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type, const int *types,
                                  const QMetaObject *senderMetaObject)
{
    using Fn = QMetaObject::Connection (*)(const QObject *, void **, const QObject *, void **,
                                           QtPrivate::QSlotObjectBase *, Qt::ConnectionType, const int *,
                                           const QMetaObject *);
    static const auto real = qtFunction<Fn>(
        "_ZN7QObject11connectImplEPKS_PPvS1_S3_PN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPKiPK11QMetaObject");
    return real(sender, signal, receiver, slotPtr, slot, type, types, senderMetaObject);
}

} // namespace QtTsanMarks
