#include "TsanSync.h"

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
#endif

namespace TsanSync {

namespace {
[[maybe_unused]] char token;
}

void release()
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(&token);
#endif
}

void acquire()
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(&token);
#endif
}

} // namespace TsanSync
