#pragma once

#include "platform/tokenprotect/ITokenProtector.h"

#include <QByteArray>

// Test double: a reversible marked transform, with switches that make either
// direction fail, and call counts.
class InMemoryTokenProtector : public ITokenProtector
{
public:
    static const QByteArray marker;

    std::optional<QByteArray> protect(const QByteArray &plain, const QByteArray &description) override;
    Unsealed unprotect(const QByteArray &sealed) override;

    bool failProtect = false;
    bool failUnprotect = false;
    int protectCalls = 0;
    int unprotectCalls = 0;
    QByteArray lastDescription;
};
