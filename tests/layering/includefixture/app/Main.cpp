#include "eq/EqPage.h"
#include "widgets/Button.h"
