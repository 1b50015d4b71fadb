#include "TestRsaKey.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

namespace CloudTest {

namespace {

QByteArray publicPem(EVP_PKEY *key)
{
    BIO *bio = BIO_new(BIO_s_mem());
    QByteArray pem;
    if (bio && PEM_write_bio_PUBKEY(bio, key) == 1) {
        char *data = nullptr;
        const long size = BIO_get_mem_data(bio, &data);
        pem = QByteArray(data, static_cast<qsizetype>(size));
    }
    BIO_free(bio);
    return pem;
}

} // namespace

TestRsaKey::TestRsaKey(int bits) : m_key(EVP_RSA_gen(static_cast<unsigned int>(bits))) {}

TestRsaKey::~TestRsaKey()
{
    EVP_PKEY_free(m_key);
}

const TestRsaKey &TestRsaKey::shared()
{
    static const TestRsaKey key;
    return key;
}

QByteArray TestRsaKey::publicKeyPem() const
{
    return publicPem(m_key);
}

QByteArray TestRsaKey::sign(const QByteArray &payload) const
{
    EVP_MD_CTX *ctx = EVP_MD_CTX_new();
    QByteArray signature;
    size_t size = 0;
    if (ctx && EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, m_key) == 1
        && EVP_DigestSign(ctx, nullptr, &size, reinterpret_cast<const unsigned char *>(payload.constData()),
                          static_cast<size_t>(payload.size()))
               == 1) {
        signature.resize(static_cast<qsizetype>(size));
        if (EVP_DigestSign(ctx, reinterpret_cast<unsigned char *>(signature.data()), &size,
                           reinterpret_cast<const unsigned char *>(payload.constData()),
                           static_cast<size_t>(payload.size()))
            == 1)
            signature.resize(static_cast<qsizetype>(size));
        else
            signature.clear();
    }
    EVP_MD_CTX_free(ctx);
    return signature;
}

QByteArray ecPublicKeyPem()
{
    EVP_PKEY *key = EVP_EC_gen("P-256");
    const QByteArray pem = key ? publicPem(key) : QByteArray();
    EVP_PKEY_free(key);
    return pem;
}

} // namespace CloudTest
