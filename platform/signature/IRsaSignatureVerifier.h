#pragma once

#include <QByteArray>

// Checks an RSA PKCS#1 v1.5 signature over the SHA-256 of a payload against a
// public key given as DER X.509 SubjectPublicKeyInfo. Each result names the
// step that failed, so callers can report it.
class IRsaSignatureVerifier
{
public:
    enum class Result {
        Valid,
        KeyInfoUnreadable,  // the DER is not a SubjectPublicKeyInfo
        KeyInfoDecodeFailed, // it was recognised but could not be decoded in full
        KeyImportFailed,    // decoded, but no usable key came out of it
        SignatureInvalid,   // the signature does not verify (also: not an RSA key)
    };

    virtual ~IRsaSignatureVerifier() = default;

    virtual Result verifyPkcs1Sha256(const QByteArray &publicKeyInfoDer, const QByteArray &payload,
                                     const QByteArray &signature) = 0;
};
