#pragma once

#include "cloud/UpdateInfo.h"

#include <QString>

namespace RemoteUpdate {

// Version texts are read from their first character as decimal numbers
// joined by single dots; reading stops at the first character that does not
// continue that pattern ("1.4.2-beta" reads as 1.4.2). A text that does not
// begin with a digit has no numbers. With equal common numbers, the longer
// version is the greater (1.2.0 > 1.2).

// False when either text has no numbers.
bool isNewerVersion(const QString &candidate, const QString &current);

// False when the record has no minimum version or either text has no numbers.
bool isBelowMinSupported(const UpdateInfo &info, const QString &current);

} // namespace RemoteUpdate
