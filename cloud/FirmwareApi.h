#pragma once

#include "cloud/ApiManager.h"
#include "cloud/FirmwareDownloadResult.h"
#include "cloud/PcFirmwareInfoResult.h"

#include <QJsonObject>
#include <QPointer>
#include <QUrl>

namespace EarphoneApi {

// Which headset and receiver firmware the server offers for a product, and
// the download of a firmware file.
class FirmwareApi : public ApiManager
{
    Q_OBJECT
public:
    // Time limits of this group; tests shorten them.
    struct Timeouts
    {
        int infoRequestMs = 20000;
        int downloadDefaultMs = 120000;
    };

    // Images are a few hundred KiB; anything far beyond is not a firmware file.
    static constexpr qint64 maxFirmwareBytes = 64 * 1024 * 1024;

    explicit FirmwareApi(QObject *parent = nullptr);
    ~FirmwareApi() override;

    void setTimeouts(const Timeouts &timeouts) { m_timeouts = timeouts; }
    Timeouts timeouts() const { return m_timeouts; }

    // A newer request replaces one still in flight, which then reports nothing.
    QNetworkReply *requestPcFirmwareInfo(const QString &pid);

    // Blocks in a nested event loop until the file is in, fails or the time
    // runs out (timeoutMs below 1 means the default). The caller must
    // tolerate re-entrant event handling meanwhile.
    FirmwareDownloadResult downloadFirmware(const QUrl &url, int timeoutMs);

    static PcFirmwareInfoResult parsePcFirmwareInfo(const QJsonObject &data, const QString &pid, QString *error);
    static PcFirmwareEntry parseFirmwareEntry(const QJsonObject &entry, QString *error);
    // Trimmed, leading "v"s and all blanks removed, the numeric part joined by
    // "." (01.2.003 -> 1.2.3); a text without a leading number stays as it is.
    // Applying it twice gives the same text as applying it once.
    static QString normalizeVersion(const QString &version);

    void handlePcFirmwareInfoResponse();

signals:
    void pcFirmwareInfoReceived(const EarphoneApi::PcFirmwareInfoResult &result);
    void pcFirmwareInfoFailed(int errorCode, const QString &message, const QString &requestPid);

private:
    QPointer<QNetworkReply> m_pendingInfoReply;
    Timeouts m_timeouts;
};

} // namespace EarphoneApi
