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

} // namespace QtTsanMarks
