#include "eq/EqPage.h"
// #include "app/HeadphonesDevice.h" in a comment is no include
#  include <eqcloud/Card.h>
#include <hidapi/hidapi.h>
