#include "cloud/ManifestSignature.h"

#include "platform/signature/OpenSslRsaSignatureVerifier.h"

namespace RemoteUpdate {

namespace {

bool failWith(QString *error, const char *text)
{
    if (error)
        *error = QString::fromLatin1(text);
    return false;
}

bool isBase64Char(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

} // namespace

std::optional<QByteArray> decodeStrictBase64(const QByteArray &text)
{
    qsizetype dataEnd = text.size();
    while (dataEnd > 0 && text.at(dataEnd - 1) == '=' && text.size() - dataEnd < 2)
        --dataEnd;
    const qsizetype padding = text.size() - dataEnd;
    if (padding > 0 && text.size() % 4 != 0)
        return std::nullopt;
    for (qsizetype i = 0; i < dataEnd; ++i) {
        if (!isBase64Char(text.at(i)))
            return std::nullopt;
    }
    // A single character left over carries no whole byte.
    if (dataEnd % 4 == 1)
        return std::nullopt;
    return QByteArray::fromBase64(text.left(dataEnd));
}

bool verifyRsaSha256Signature(const QByteArray &publicKeyPem, const QByteArray &payload, const QByteArray &signature,
                              QString *error)
{
    OpenSslRsaSignatureVerifier verifier;
    return verifyRsaSha256Signature(verifier, publicKeyPem, payload, signature, error);
}

bool verifyRsaSha256Signature(IRsaSignatureVerifier &verifier, const QByteArray &publicKeyPem,
                              const QByteArray &payload, const QByteArray &signature, QString *error)
{
    static const QByteArray beginMarker = QByteArrayLiteral("-----BEGIN PUBLIC KEY-----");
    static const QByteArray endMarker = QByteArrayLiteral("-----END PUBLIC KEY-----");
    const qsizetype begin = publicKeyPem.indexOf(beginMarker);
    const qsizetype end = publicKeyPem.indexOf(endMarker);
    if (begin < 0 || end < 0 || end < begin + beginMarker.size())
        return failWith(error, "Invalid PEM format");

    QByteArray body = publicKeyPem.mid(begin + beginMarker.size(), end - begin - beginMarker.size());
    body.replace('\r', QByteArray()).replace('\n', QByteArray());
    const QByteArray der = QByteArray::fromBase64(body);
    if (der.isEmpty())
        return failWith(error, "Failed to decode PEM public key");

    switch (verifier.verifyPkcs1Sha256(der, payload, signature)) {
    case IRsaSignatureVerifier::Result::Valid:
        if (error)
            error->clear();
        return true;
    case IRsaSignatureVerifier::Result::KeyInfoUnreadable:
        return failWith(error, "Failed to decode public key info (size query)");
    case IRsaSignatureVerifier::Result::KeyInfoDecodeFailed:
        return failWith(error, "Failed to decode public key info");
    case IRsaSignatureVerifier::Result::KeyImportFailed:
        return failWith(error, "Failed to import public key");
    case IRsaSignatureVerifier::Result::SignatureInvalid:
        break;
    }
    return failWith(error, "Signature verification failed");
}

} // namespace RemoteUpdate
