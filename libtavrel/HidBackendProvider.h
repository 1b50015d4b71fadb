#pragma once

#include "platform/tavrelhid/IHidBackend.h"

namespace libtavrel {

// The backend the C interface lists and opens interfaces with. The shared
// library links the hidraw backend; the C-interface tests link a virtual one.
IHidBackend &hidBackend();

} // namespace libtavrel
