#pragma once

#include "cloud/EQEffect.h"
#include "cloud/EqApi.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

class QNetworkAccessManager;
class QTimer;

// The official EQ presets of one product, split into basic and game sounds.
// Answers at once from the disk cache, then asks the EQ API for the current
// list, rewrites the cache when the list changed, caches the preset images,
// and retries once after a failure that looks like a weak network.
// GUI thread only.
class EQSoundListController : public QObject
{
    Q_OBJECT
public:
    struct Timings
    {
        int weakNetRetryMs = 880;
        int imageTransferTimeoutMs = 30000;
        qint64 maxImageBytes = 8 * 1024 * 1024;
    };

    explicit EQSoundListController(QObject *parent = nullptr);
    ~EQSoundListController() override;

    void attachApi(EarphoneApi::EqApi *api, bool takeOwnership);
    EarphoneApi::EqApi *api() const { return m_api; }
    // Loads the official list of a product id ("1" when blank).
    void fetch(const QString &pid);
    QString currentPid() const { return m_pid; }
    void setTimings(const Timings &timings) { m_timings = timings; }

    // A failure worth one more try: a transport error or a time-out, not a cancel or a server answer.
    static bool isWeakNetworkFailure(int errorCode, const QString &message);

signals:
    void officialSoundsLoaded(const QList<EarphoneApi::EQEffect> &basicSounds,
                              const QList<EarphoneApi::EQEffect> &gameSounds);
    void fetchFailed(int errorCode, const QString &message);

private slots:
    void onEffectsReceived(const QList<EarphoneApi::EQEffect> &effects, const QString &requestPid);
    void onEffectsFailed(int errorCode, const QString &message, const QString &requestPid);
    void onImageDownloadFinished();
    void onWeakNetSoundListRetryTimeout();

private:
    QString listLanguage() const;
    void publish(const QString &pid, QList<EarphoneApi::EQEffect> list, bool downloadsAllowed);
    void resolveCachedImages(const QString &pid, QList<EarphoneApi::EQEffect> &list, bool downloadsAllowed);
    void requestImage(const QString &pid, const QString &url);

    QPointer<EarphoneApi::EqApi> m_api;
    bool m_ownsApi = false;
    QString m_pid = QStringLiteral("1");
    QNetworkAccessManager *m_imageNetwork = nullptr;
    QHash<QString, QList<EarphoneApi::EQEffect>> m_effectsByPid;
    QSet<QString> m_imagesInFlight;
    QTimer *m_retryTimer;
    int m_retryCount = 0;
    QString m_retryPid;
    Timings m_timings;
};
