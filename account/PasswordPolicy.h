#pragma once

#include <QString>

// The rule a new password must meet: 6 to 16 ASCII letters and digits,
// starting with a letter.
namespace PasswordPolicy {

// `password` is trimmed before the check.
bool accepts(const QString &password);
// The translated message for a password the rule refuses.
QString message();

} // namespace PasswordPolicy
