#pragma once

#include <QObject>

// One call handed to Qt to be run once, maybe on another thread (a posted
// invokeMethod, a single-shot timer). Wraps the caller's slot object: what
// the posting thread did before the post is ordered before the run, the run
// before the slot object goes (Qt's reference count orders that), and for a
// blocking call the run before the caller goes on (`done`, a key the caller
// acquires once Qt lets it go).
class MarkedCall : public QtPrivate::QSlotObjectBase
{
public:
    static MarkedCall *post(QtPrivate::QSlotObjectBase *call, void *done = nullptr);

private:
    MarkedCall(QtPrivate::QSlotObjectBase *call, void *done);
    static void impl(int which, QSlotObjectBase *self, QObject *receiver, void **args, bool *ret);

    QtPrivate::QSlotObjectBase *const m_call;
    void *const m_done;
};
