#include "eq/EQSoundListController.h"

#include "cloud/EqApi.h"
#include "eq/EQSoundListCache.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

using EarphoneApi::EQEffect;

namespace {

const char *const kPidProperty = "eqSoundListPid";
const char *const kUrlProperty = "imageUrl";

QString imageKey(const QString &pid, const QString &url)
{
    return pid.trimmed() + QLatin1Char('|') + url.trimmed();
}

} // namespace

EQSoundListController::EQSoundListController(QObject *parent) : QObject(parent), m_retryTimer(new QTimer(this))
{
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &EQSoundListController::onWeakNetSoundListRetryTimeout);
}

EQSoundListController::~EQSoundListController()
{
    if (m_api && !m_ownsApi)
        disconnect(m_api, nullptr, this, nullptr);
}

void EQSoundListController::attachApi(EarphoneApi::EqApi *api, bool takeOwnership)
{
    if (m_api && m_api != api) {
        m_retryTimer->stop();
        m_retryCount = 0;
        disconnect(m_api, nullptr, this, nullptr);
        if (m_ownsApi)
            m_api->deleteLater();
    }
    m_api = api;
    m_ownsApi = api && takeOwnership;
    if (!api)
        return;
    if (m_ownsApi)
        api->setParent(this);
    disconnect(api, &EarphoneApi::EqApi::eqEffectsReceived, this, nullptr);
    disconnect(api, &EarphoneApi::EqApi::eqEffectsFailed, this, nullptr);
    connect(api, &EarphoneApi::EqApi::eqEffectsReceived, this, &EQSoundListController::onEffectsReceived);
    connect(api, &EarphoneApi::EqApi::eqEffectsFailed, this, &EQSoundListController::onEffectsFailed);
}

QString EQSoundListController::listLanguage() const
{
    return EQSoundListCache::normalizedLanguage(m_api ? m_api->language() : QStringLiteral("zh"));
}

void EQSoundListController::fetch(const QString &pid)
{
    m_retryTimer->stop();
    m_retryCount = 0;
    m_pid = EQSoundListCache::normalizedPid(pid);

    QList<EQEffect> cached;
    const bool published = EQSoundListCache::load(m_pid, listLanguage(), &cached, nullptr);
    if (published)
        publish(m_pid, cached, !m_api.isNull());

    if (m_api)
        m_api->getEQEffects(m_pid);
    else if (!published)
        emit fetchFailed(-1, QStringLiteral("EqApi not available"));
}

void EQSoundListController::onEffectsReceived(const QList<EQEffect> &effects, const QString &requestPid)
{
    m_retryTimer->stop();
    m_retryCount = 0;
    const QString pid = EQSoundListCache::normalizedPid(requestPid);
    m_effectsByPid.insert(pid, effects);

    const QString language = listLanguage();
    QList<EQEffect> cached;
    const bool haveCache = EQSoundListCache::load(pid, language, &cached, nullptr);
    const QByteArray received = EQSoundListCache::serialize(effects);
    // Identical content leaves the file as it is.
    if (!haveCache || EQSoundListCache::serialize(cached) != received)
        EQSoundListCache::write(pid, language, received);

    if (pid == m_pid)
        publish(pid, effects, true);
}

void EQSoundListController::onEffectsFailed(int errorCode, const QString &message, const QString &requestPid)
{
    const QString pid = EQSoundListCache::normalizedPid(requestPid);
    if (pid != m_pid)
        return;

    QList<EQEffect> cached;
    if (EQSoundListCache::load(pid, listLanguage(), &cached, nullptr)) {
        publish(pid, cached, false);
        return;
    }
    if (m_api && m_retryCount < 1 && isWeakNetworkFailure(errorCode, message)) {
        m_retryCount = 1;
        m_retryPid = pid;
        m_retryTimer->start(m_timings.weakNetRetryMs);
        return;
    }
    emit fetchFailed(errorCode, message);
}

bool EQSoundListController::isWeakNetworkFailure(int errorCode, const QString &message)
{
    const QString text = message.trimmed();
    if (text.contains(QLatin1String("Operation canceled"), Qt::CaseInsensitive))
        return false;
    if (errorCode > 0)
        return false;
    if (errorCode < 0)
        return true;
    static const char *const hints[] = {"timeout", "timed out", "Could not connect", "Connection refused",
                                        "Network is unreachable"};
    for (const char *hint : hints) {
        if (text.contains(QLatin1String(hint), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void EQSoundListController::onWeakNetSoundListRetryTimeout()
{
    if (!m_api)
        return;
    const QString pid = EQSoundListCache::normalizedPid(m_retryPid);
    if (pid == m_pid)
        m_api->getEQEffects(pid);
}

void EQSoundListController::publish(const QString &pid, QList<EQEffect> list, bool downloadsAllowed)
{
    resolveCachedImages(pid, list, downloadsAllowed);
    QList<EQEffect> basic;
    QList<EQEffect> game;
    for (const EQEffect &effect : list) {
        if (EQSoundListCache::isBasic(effect))
            basic.append(effect);
        else if (EQSoundListCache::isGame(effect))
            game.append(effect);
    }
    EQSoundListCache::sortForDisplay(basic);
    EQSoundListCache::sortForDisplay(game);
    emit officialSoundsLoaded(basic, game);
}

void EQSoundListController::resolveCachedImages(const QString &pid, QList<EQEffect> &list, bool downloadsAllowed)
{
    for (EQEffect &effect : list) {
        const QString url = effect.image.trimmed();
        if (!EQSoundListCache::isGame(effect) || url.isEmpty() || !EQSoundListCache::isWebAddress(url))
            continue;
        const QString path = EQSoundListCache::imageFilePath(pid, url);
        if (!path.isEmpty() && QFile::exists(path))
            effect.image = path;
        else if (downloadsAllowed)
            requestImage(pid, url);
    }
}

void EQSoundListController::requestImage(const QString &pid, const QString &url)
{
    if (!m_imageNetwork)
        m_imageNetwork = new QNetworkAccessManager(this);
    const QString key = imageKey(pid, url);
    if (m_imagesInFlight.contains(key))
        return;
    m_imagesInFlight.insert(key);

    QNetworkRequest request(QUrl(url.trimmed()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(m_timings.imageTransferTimeoutMs);
    QNetworkReply *reply = m_imageNetwork->get(request);
    reply->setProperty(kPidProperty, pid);
    reply->setProperty(kUrlProperty, url.trimmed());
    // A preset picture is small; a body past the limit is no picture of ours.
    const qint64 limit = m_timings.maxImageBytes;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, limit](qint64 received, qint64 total) {
        if (received > limit || total > limit)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, &EQSoundListController::onImageDownloadFinished);
}

void EQSoundListController::onImageDownloadFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    reply->deleteLater();
    const QString pid = EQSoundListCache::normalizedPid(reply->property(kPidProperty).toString());
    const QString url = reply->property(kUrlProperty).toString().trimmed();
    m_imagesInFlight.remove(imageKey(pid, url));

    if (reply->error() != QNetworkReply::NoError)
        return;
    const QByteArray body = reply->readAll();
    const QString path = EQSoundListCache::imageFilePath(pid, url);
    if (body.isEmpty() || body.size() > m_timings.maxImageBytes || path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit())
        return;

    const auto held = m_effectsByPid.constFind(pid);
    if (pid == m_pid && held != m_effectsByPid.constEnd())
        publish(pid, *held, true);
}
