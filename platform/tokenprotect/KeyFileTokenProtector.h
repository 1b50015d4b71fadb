#pragma once

#include "platform/tokenprotect/ITokenProtector.h"

#include <QString>

// AES-256-GCM under a 32-byte key kept in a file that only the current user
// may read (created 0600 in the user's data folder, never followed through a
// symbolic link, refused when another user owns it).
//
// Blob: "VKT1" | description length (1 byte) | description | nonce (12) |
// ciphertext | tag (16). The header and the description are authenticated.
class KeyFileTokenProtector : public ITokenProtector
{
public:
    // An empty path means defaultKeyFilePath(), looked up at each use.
    explicit KeyFileTokenProtector(QString keyFilePath = QString());

    // "session.key" in the application's writable data folder.
    static QString defaultKeyFilePath();

    std::optional<QByteArray> protect(const QByteArray &plain, const QByteArray &description) override;
    Unsealed unprotect(const QByteArray &sealed) override;

    QString keyFilePath() const;

private:
    // The key; created first when `create` is set and no key file exists.
    std::optional<QByteArray> loadKey(bool create) const;
    std::optional<QByteArray> createKey(const QString &path) const;

    QString m_keyFilePath;
};
