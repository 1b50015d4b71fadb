#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class IRsaSignatureVerifier;

namespace RemoteUpdate {

// Checks an RSA PKCS#1 v1.5 SHA-256 signature of `payload` against a PEM
// "PUBLIC KEY". On failure `error` (may be null) names the step that failed;
// on success it is cleared. The second form uses the given verifier for the
// key decoding and the check itself.
bool verifyRsaSha256Signature(const QByteArray &publicKeyPem, const QByteArray &payload, const QByteArray &signature,
                              QString *error = nullptr);
bool verifyRsaSha256Signature(IRsaSignatureVerifier &verifier, const QByteArray &publicKeyPem,
                              const QByteArray &payload, const QByteArray &signature, QString *error = nullptr);

// Standard Base64 with nothing else in it: no blanks, padding only at the
// end of a text whose length is a multiple of 4; unpadded input is accepted.
std::optional<QByteArray> decodeStrictBase64(const QByteArray &text);

} // namespace RemoteUpdate
