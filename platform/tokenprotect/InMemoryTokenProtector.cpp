#include "platform/tokenprotect/InMemoryTokenProtector.h"

#include <algorithm>

const QByteArray InMemoryTokenProtector::marker = QByteArrayLiteral("MEMSEAL1");

namespace {

QByteArray flipped(QByteArray bytes)
{
    std::reverse(bytes.begin(), bytes.end());
    for (char &c : bytes)
        c = static_cast<char>(c ^ 0x5a);
    return bytes;
}

} // namespace

std::optional<QByteArray> InMemoryTokenProtector::protect(const QByteArray &plain, const QByteArray &description)
{
    ++protectCalls;
    lastDescription = description;
    if (failProtect)
        return std::nullopt;
    return marker + flipped(plain);
}

ITokenProtector::Unsealed InMemoryTokenProtector::unprotect(const QByteArray &sealed)
{
    ++unprotectCalls;
    if (!sealed.startsWith(marker))
        return {Status::NotProtected, {}};
    if (failUnprotect)
        return {Status::Failed, {}};
    return {Status::Ok, flipped(sealed.mid(marker.size()))};
}
