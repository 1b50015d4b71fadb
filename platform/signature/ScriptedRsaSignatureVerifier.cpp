#include "platform/signature/ScriptedRsaSignatureVerifier.h"

IRsaSignatureVerifier::Result ScriptedRsaSignatureVerifier::verifyPkcs1Sha256(const QByteArray &publicKeyInfoDer,
                                                                              const QByteArray &payload,
                                                                              const QByteArray &signature)
{
    calls.append({publicKeyInfoDer, payload, signature});
    return result;
}
