#pragma once

#include "hid/HidTypes.h"
#include "protocol/Frame.h"
