#pragma once

#include <QMetaType>

namespace EarphoneApi {

// How the "sign" header of an API request is computed. Stored in the settings
// under its text name (see ApiFactory::signAlgorithmName).
enum SignAlgorithm : int {
    HmacSha1 = 0,
    KeyPlusTimestampHmac = 1,
    Md5Timestamp = 2,
    CustomFormula = 3,
    FixedValue = 4,
    None = 5,
};

} // namespace EarphoneApi

Q_DECLARE_METATYPE(EarphoneApi::SignAlgorithm)
