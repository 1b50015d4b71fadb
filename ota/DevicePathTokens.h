#pragma once

#include <QLatin1String>
#include <QString>

namespace OtaModule {

// The upper-case hex digits right after the first `token` ("VID_", "PID_")
// in `path`, compared without regard to case; empty when the token is
// missing or no digit follows it.
QString hexDigitsAfter(const QString &path, QLatin1String token);

} // namespace OtaModule
