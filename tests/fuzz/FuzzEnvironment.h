#pragma once

// What every Qt fuzz body needs once per process: a core application (some
// code asks for its thread's event dispatcher) and a message handler that
// drops the warnings that malformed input is meant to cause.
namespace FuzzEnvironment {

void ensureQtCore();

// Aborts with `what` on stderr when an invariant of the code under test broke,
// so that libFuzzer keeps the input as a crash.
void require(bool condition, const char *what);

} // namespace FuzzEnvironment
