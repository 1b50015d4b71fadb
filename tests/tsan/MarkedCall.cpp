#include "MarkedCall.h"

#include "QtTsanMarks.h"

namespace {

// Keys inside the wrapper: the post, and the end of the run. Not at its
// start, where the reference count is: an atomic is a key of its own.
void *postedKey(MarkedCall *call)
{
    return QtTsanMarks::key(call, 1);
}

void *ranKey(MarkedCall *call)
{
    return QtTsanMarks::key(call, 2);
}

} // namespace

MarkedCall::MarkedCall(QtPrivate::QSlotObjectBase *call, void *done)
    : QSlotObjectBase(&MarkedCall::impl), m_call(call), m_done(done)
{
}

MarkedCall *MarkedCall::post(QtPrivate::QSlotObjectBase *call, void *done)
{
    auto *marked = new MarkedCall(call, done);
    __tsan_release(postedKey(marked));
    return marked;
}

void MarkedCall::impl(int which, QSlotObjectBase *self, QObject *receiver, void **args, bool *ret)
{
    auto *marked = static_cast<MarkedCall *>(self);
    switch (which) {
    case Call:
        __tsan_acquire(postedKey(marked));
        marked->m_call->call(receiver, args);
        __tsan_release(ranKey(marked));
        if (marked->m_done)
            __tsan_release(marked->m_done);
        break;
    case Compare:
        *ret = marked->m_call->compare(args);
        break;
    case Destroy:
        // The last reference may go on either thread, run or not.
        __tsan_acquire(postedKey(marked));
        __tsan_acquire(ranKey(marked));
        marked->m_call->destroyIfLastRef();
        delete marked;
        break;
    default:
        break;
    }
}
