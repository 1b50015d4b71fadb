#include "cloud/Session.h"

#include "account/LoginWindow.h"
#include "platform/tokenprotect/ITokenProtector.h"

#include <QObject>
