#include "libtavrel/HidBackendProvider.h"

#include "platform/tavrelhid/LinuxHidBackend.h"

namespace libtavrel {

IHidBackend &hidBackend()
{
    static LinuxHidBackend backend;
    return backend;
}

} // namespace libtavrel
