#pragma once

#include <QByteArray>
#include <QString>

// Helpers shared by the cloud tests. The digests here are computed from the
// hash primitives directly, so they check the client rather than repeat it.
namespace CloudTest {

// RFC 2104 HMAC over SHA-1, lower-case hex.
QString hmacSha1Hex(const QByteArray &message, const QByteArray &key);
QString md5Hex(const QByteArray &data);

// Keeps every request on the loopback connection, whatever the environment's proxy says.
void bypassProxy();

// A settings store of its own for one test: test-mode paths and a unique
// organisation name; the store is emptied when the scope ends.
class SettingsScope
{
public:
    SettingsScope();
    ~SettingsScope();
    SettingsScope(const SettingsScope &) = delete;
    SettingsScope &operator=(const SettingsScope &) = delete;

private:
    QString m_previousOrganisation;
    QString m_previousApplication;
};

} // namespace CloudTest
