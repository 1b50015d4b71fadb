#pragma once

#include "tests/support/testenv/TestHome.h"

// The window tests run in a private home under the program's own
// organisation name, with the settings store as the process left it.
using TestEnvironment = TestHome;
