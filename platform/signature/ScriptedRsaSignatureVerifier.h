#pragma once

#include "platform/signature/IRsaSignatureVerifier.h"

#include <QList>

// Test double: answers every check with `result` and records what it was asked.
class ScriptedRsaSignatureVerifier : public IRsaSignatureVerifier
{
public:
    struct Call
    {
        QByteArray publicKeyInfoDer;
        QByteArray payload;
        QByteArray signature;
    };

    Result verifyPkcs1Sha256(const QByteArray &publicKeyInfoDer, const QByteArray &payload,
                             const QByteArray &signature) override;

    Result result = Result::Valid;
    QList<Call> calls;
};
