#pragma once

#include <QString>

namespace EarphoneApi {

// Turn raw API and transport failures into short user messages in the current
// UI language. Pure functions; GUI thread (they use the installed translators).

// Never empty: codes outside the table get a numbered fallback.
QString friendlyApiErrorText(int errorCode);

// Empty when the text matches none of the known transport failures.
QString friendlyNetworkErrorText(const QString &errorText);

// The transport rules first, then the failure texts of the self-update; empty
// when nothing matches.
QString friendlyUpdateErrorText(const QString &errorText);

} // namespace EarphoneApi
