#pragma once

#include "platform/signature/IRsaSignatureVerifier.h"

// The check done with OpenSSL. The key exists only inside one call.
class OpenSslRsaSignatureVerifier : public IRsaSignatureVerifier
{
public:
    Result verifyPkcs1Sha256(const QByteArray &publicKeyInfoDer, const QByteArray &payload,
                             const QByteArray &signature) override;
};
