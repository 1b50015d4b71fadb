#pragma once

#include <QObject>

#include <sanitizer/tsan_interface.h>

#include <cstdio>
#include <cstdlib>

#include <dlfcn.h>

extern "C" {
void __tsan_ignore_thread_begin(void);
void __tsan_ignore_thread_end(void);
void __tsan_read_range(void *addr, unsigned long size);
void AnnotateIgnoreSyncBegin(const char *file, int line);
void AnnotateIgnoreSyncEnd(const char *file, int line);
}

// What the Qt annotations of a TSan build share: Qt's own function behind the
// one a test program defines in its place, the sync keys inside an object,
// whether Qt posts a call, and a way to keep the annotations' own bookkeeping
// out of TSan's view.
namespace QtTsanMarks {

// A sync key at `offset` inside `object`: keys of one object stay apart, and
// TSan drops them when the object's memory is freed. The address of an atomic
// that this program's code uses is a key already: keep clear of it.
inline void *key(const void *object, int offset)
{
    return static_cast<char *>(const_cast<void *>(object)) + offset;
}

// Qt's definition of a function this program defines in its place.
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

// True when `address` is code of this program (not of a Qt library).
bool inProgram(const void *address);

// True when a call of `type` (without the flags) made now to `object` is
// posted to its thread rather than made here, as Qt decides it.
bool crossesThreads(const QObject *object, Qt::ConnectionType type);

// Qt's QObject::connectImpl, which this program's connects reach only through
// the annotations: a connection made here is not marked.
QMetaObject::Connection qtConnect(const QObject *sender, void **signal, const QObject *receiver, void **slotPtr,
                                  QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type, const int *types,
                                  const QMetaObject *senderMetaObject);

// Runs `f` with its memory accesses unseen: for state of the annotations
// themselves, which Qt hands between threads without any order TSan could see.
template <typename F>
decltype(auto) unseen(F &&f)
{
    struct Scope {
        Scope() { __tsan_ignore_thread_begin(); }
        ~Scope() { __tsan_ignore_thread_end(); }
    } scope;
    return f();
}

// Runs `f` unseen and with its locks and atomics ordering nothing: for the
// annotations' own locks, which stand in for locks of Qt that TSan does not
// see either. Only the annotations' own state, never a call that may run
// this program's code (a slot object's destructor, say).
template <typename F>
decltype(auto) hidden(F &&f)
{
    struct Scope {
        Scope()
        {
            AnnotateIgnoreSyncBegin(__FILE__, __LINE__);
            __tsan_ignore_thread_begin();
        }
        ~Scope()
        {
            __tsan_ignore_thread_end();
            AnnotateIgnoreSyncEnd(__FILE__, __LINE__);
        }
    } scope;
    return f();
}

} // namespace QtTsanMarks
