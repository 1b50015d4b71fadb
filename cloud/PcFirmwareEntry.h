#pragma once

#include <QString>

namespace EarphoneApi {

// One firmware image offered by the server: its normalised version and its
// download address.
struct PcFirmwareEntry
{
    QString version;
    QString url;

    bool isValid() const { return !version.isEmpty() && !url.isEmpty(); }
};

} // namespace EarphoneApi
