#pragma once

#include "libtavrel/Executor.h"

namespace libtavrel {

// Mutual challenge and answer with the client on `channel` over raw kind-0
// frames. A client the receiver already lists as authenticated is not
// challenged. Unless `skipNotify`, the receiver is told of the pass.
// Fails silently; the calling update task reports it.
Task authenticateTask(Executor &executor, int channel, bool skipNotify);

} // namespace libtavrel
