#pragma once

#include <QByteArray>
#include <QString>

namespace EarphoneApi {

// Outcome of a firmware file download; `error` is empty on success.
struct FirmwareDownloadResult
{
    bool ok = false;
    QByteArray data;
    QString error;
};

} // namespace EarphoneApi
