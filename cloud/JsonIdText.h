#pragma once

#include <QJsonValue>
#include <QString>

namespace EarphoneApi {

// Reads an id that the server may send as a string or as a JSON number.
// A string is trimmed; a number becomes its integer part as decimal text
// (12 -> "12", 12.9 -> "12"); anything else, and numbers too large to be
// exact, give an empty text.
QString jsonIdText(const QJsonValue &value);

} // namespace EarphoneApi
