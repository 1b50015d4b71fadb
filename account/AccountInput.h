#pragma once

#include <QString>

// Checks of the account names typed on the account screens.
namespace AccountInput {

enum class Problem { None, Empty, InvalidEmail, InvalidPhone };

// Something before one "@", a dot after it, no blanks.
bool isValidEmail(const QString &text);

// The digits of a phone number: every non-digit dropped, then a leading "86"
// of a 13-digit result (the country code of a mainland number).
QString phoneDigits(const QString &text);

// An 11-digit mainland mobile number: 1, then 3 to 9, then nine digits.
bool isValidPhoneDigits(const QString &digits);

// The check of an account before it is sent: `account` is already trimmed;
// `email` chooses the e-mail rule, otherwise the phone rule applies.
Problem check(const QString &account, bool email);

} // namespace AccountInput
