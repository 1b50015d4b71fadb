#include "widgets/Button.h"
#include "tests/support/Probe.h"
