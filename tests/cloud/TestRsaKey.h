#pragma once

#include <QByteArray>

#include <memory>

typedef struct evp_pkey_st EVP_PKEY;

namespace CloudTest {

// An RSA key pair made for one test run, standing in for the update
// server's signing key. Signs with PKCS#1 v1.5 over SHA-256.
class TestRsaKey
{
public:
    explicit TestRsaKey(int bits = 2048);
    ~TestRsaKey();
    TestRsaKey(const TestRsaKey &) = delete;
    TestRsaKey &operator=(const TestRsaKey &) = delete;

    bool isValid() const { return m_key != nullptr; }
    // "-----BEGIN PUBLIC KEY-----" PEM of the public half.
    QByteArray publicKeyPem() const;
    QByteArray sign(const QByteArray &payload) const;
    QByteArray signBase64(const QByteArray &payload) const { return sign(payload).toBase64(); }

    // A key made once per process, shared by the tests that need any key.
    static const TestRsaKey &shared();

private:
    EVP_PKEY *m_key = nullptr;
};

// A prime-256 EC public key in PEM: a valid key that is not RSA.
QByteArray ecPublicKeyPem();

} // namespace CloudTest
