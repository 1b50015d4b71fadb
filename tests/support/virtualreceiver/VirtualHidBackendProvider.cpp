// Puts the virtual bus behind the OTA engine's C interface for the tests.
#include "libtavrel/HidBackendProvider.h"

#include "tests/support/virtualreceiver/VirtualHidBackend.h"

namespace libtavrel {

IHidBackend &hidBackend()
{
    static VirtualDevices::VirtualHidBackend backend;
    return backend;
}

} // namespace libtavrel
