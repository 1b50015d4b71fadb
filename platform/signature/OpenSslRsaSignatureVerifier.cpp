#include "platform/signature/OpenSslRsaSignatureVerifier.h"

#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <memory>

namespace {

struct X509PubkeyDeleter
{
    void operator()(X509_PUBKEY *key) const { X509_PUBKEY_free(key); }
};
struct PkeyContextDeleter
{
    void operator()(EVP_PKEY_CTX *ctx) const { EVP_PKEY_CTX_free(ctx); }
};

} // namespace

IRsaSignatureVerifier::Result OpenSslRsaSignatureVerifier::verifyPkcs1Sha256(const QByteArray &publicKeyInfoDer,
                                                                             const QByteArray &payload,
                                                                             const QByteArray &signature)
{
    if (publicKeyInfoDer.isEmpty())
        return Result::KeyInfoUnreadable;
    const auto *cursor = reinterpret_cast<const unsigned char *>(publicKeyInfoDer.constData());
    const auto *const end = cursor + publicKeyInfoDer.size();
    std::unique_ptr<X509_PUBKEY, X509PubkeyDeleter> info(
        d2i_X509_PUBKEY(nullptr, &cursor, static_cast<long>(publicKeyInfoDer.size())));
    if (!info)
        return Result::KeyInfoUnreadable;
    // Bytes after the structure mean the text was not one key; do not guess.
    if (cursor != end)
        return Result::KeyInfoDecodeFailed;

    EVP_PKEY *key = X509_PUBKEY_get0(info.get()); // owned by `info`
    if (!key)
        return Result::KeyImportFailed;
    if (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA)
        return Result::SignatureInvalid;

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestSize = 0;
    if (EVP_Digest(payload.constData(), static_cast<size_t>(payload.size()), digest, &digestSize, EVP_sha256(),
                   nullptr)
        != 1)
        return Result::SignatureInvalid;

    std::unique_ptr<EVP_PKEY_CTX, PkeyContextDeleter> ctx(EVP_PKEY_CTX_new(key, nullptr));
    if (!ctx || EVP_PKEY_verify_init(ctx.get()) != 1
        || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1
        || EVP_PKEY_CTX_set_signature_md(ctx.get(), EVP_sha256()) != 1)
        return Result::SignatureInvalid;
    const int verified = EVP_PKEY_verify(ctx.get(), reinterpret_cast<const unsigned char *>(signature.constData()),
                                         static_cast<size_t>(signature.size()), digest, digestSize);
    return verified == 1 ? Result::Valid : Result::SignatureInvalid;
}
