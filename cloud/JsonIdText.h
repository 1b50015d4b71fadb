#pragma once

#include <QJsonValue>
#include <QString>

namespace EarphoneApi {

// Reads an id that the server may send as a string or as a JSON number.
// A string comes back as it is (the user record trims its own); a number
// becomes its integer part as decimal text (12 -> "12", 12.9 -> "12",
// -0.5 -> "0"); anything else, and numbers too large to be exact, give an
// empty text.
QString jsonIdText(const QJsonValue &value);

} // namespace EarphoneApi
