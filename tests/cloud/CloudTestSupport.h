#pragma once

#include "tests/support/testenv/TestSettingsScope.h"

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

// A settings store of its own for one test (shared with every folder's tests).
using SettingsScope = TestSettingsScope;

} // namespace CloudTest
