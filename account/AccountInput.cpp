#include "account/AccountInput.h"

#include <QRegularExpression>

namespace AccountInput {

bool isValidEmail(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"));
    return pattern.match(text).hasMatch();
}

QString phoneDigits(const QString &text)
{
    static const QRegularExpression nonDigit(QStringLiteral("\\D"));
    QString digits = text;
    digits.remove(nonDigit);
    if (digits.size() == 13 && digits.startsWith(QLatin1String("86")))
        digits.remove(0, 2);
    return digits;
}

bool isValidPhoneDigits(const QString &digits)
{
    static const QRegularExpression pattern(QStringLiteral("^1[3-9]\\d{9}$"));
    return digits.size() == 11 && pattern.match(digits).hasMatch();
}

Problem check(const QString &account, bool email)
{
    if (account.isEmpty())
        return Problem::Empty;
    if (email)
        return isValidEmail(account) ? Problem::None : Problem::InvalidEmail;
    return isValidPhoneDigits(phoneDigits(account)) ? Problem::None : Problem::InvalidPhone;
}

} // namespace AccountInput
