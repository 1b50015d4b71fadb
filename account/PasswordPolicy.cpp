#include "account/PasswordPolicy.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace PasswordPolicy {

bool accepts(const QString &password)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z][A-Za-z0-9]{5,15}$"));
    return pattern.match(password.trimmed()).hasMatch();
}

QString message()
{
    return QCoreApplication::translate("PasswordPolicy", "密码须为6-16位，以字母开头，仅含字母与数字");
}

} // namespace PasswordPolicy
