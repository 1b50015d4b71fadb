#pragma once

#include <QMetaType>

namespace EarphoneApi {

// The marks a user sets on a shared EQ; sent as the form field "operate".
enum CloudEQOperation : int {
    Download = 1,
    Like = 2,
    Collect = 3,
};

} // namespace EarphoneApi

Q_DECLARE_METATYPE(EarphoneApi::CloudEQOperation)
