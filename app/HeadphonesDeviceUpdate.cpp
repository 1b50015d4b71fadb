// The program's self-update on the main window: the updater and its trusted
// key, and the window's side of SelfUpdateFlow, which holds the conversation
// with the user (question, progress, failures, badges and the receipt of the
// last installation).
#include "app/HeadphonesDevice.h"

#include "app/CustomSettingsForm.h"
#include "app/CustomTitleBar.h"
#include "app/SelfUpdateFlow.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "account/CustomLoginWindow.h"
#include "cloud/ApiManager.h"
#include "cloud/ManifestPublicKeyLocator.h"
#include "cloud/RemoteUpdater.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>

void HeadphonesDevice::setupRemoteUpdate()
{
    if (m_remoteUpdater)
        return;
    m_remoteUpdater = new RemoteUpdate::RemoteUpdater(this);
    // The manifest always comes from the built-in host, whatever API base is configured.
    m_remoteUpdater->setManifestUrl(
        QUrl(EarphoneApi::ApiManager::builtInBaseUrl() + QStringLiteral("home/common/pcUpdate")));
    m_remoteUpdater->setAllowHttp(true);
    m_remoteUpdater->setRequireSignature(true);
    // Without a key every check fails inside the updater: a signature is required.
    const QByteArray pem =
        RemoteUpdate::locateManifestPublicKeyPem(QCoreApplication::applicationDirPath(), QDir::currentPath());
    if (!pem.isEmpty())
        m_remoteUpdater->setTrustedManifestPublicKeyPem(pem);

    m_selfUpdate = new SelfUpdateFlow(m_remoteUpdater, this);
    m_selfUpdate->setQuittingProbe([this] { return m_quitting; });
    m_selfUpdate->setReceiptBlocker([this] { 
        const CustomLoginWindow *login = loginWindow();
        return login && login->isVisible();
     });
    connect(m_selfUpdate, &SelfUpdateFlow::badgeVisibilityChanged, this, [this](bool visible) {
        if (m_settingsPage)
            m_settingsPage->setUpdateBadgeVisible(visible);
        if (m_titleBar)
            m_titleBar->setSettingBadgeVisible(visible);
    });
    connect(m_selfUpdate, &SelfUpdateFlow::offerChanged, this, [this](bool tooLow, bool required, bool available) {
        if (!m_settingsPage)
            return;
        m_settingsPage->setVersionTooLow(tooLow);
        m_settingsPage->setUpdateRequired(required);
        m_settingsPage->setUpdateAvailable(available);
    });
    connect(m_selfUpdate, &SelfUpdateFlow::quitRequested, this, &HeadphonesDevice::quitApplicationFully);
    connect(m_selfUpdate, &SelfUpdateFlow::updateSetAside, this, &HeadphonesDevice::resumeDeferredFirmwarePrompt);
}

UpdateDownloadProgressDialog *HeadphonesDevice::updateProgressDialog() const
{
    return m_selfUpdate ? m_selfUpdate->progressDialog() : nullptr;
}

bool HeadphonesDevice::isUpdateBadgeShown() const
{
    return m_selfUpdate && m_selfUpdate->isBadgeShown();
}

QString HeadphonesDevice::pendingReceiptMessage() const
{
    return m_selfUpdate ? m_selfUpdate->pendingReceiptMessage() : QString();
}

void HeadphonesDevice::setUpdateBadgesVisible(bool visible)
{
    m_selfUpdate->setBadgeVisible(visible);
}

void HeadphonesDevice::startAutomaticUpdateCheck()
{
    if (m_selfUpdate)
        m_selfUpdate->startAutomaticCheck();
}

void HeadphonesDevice::startUserUpdateCheck()
{
    if (m_selfUpdate)
        m_selfUpdate->startUserCheck();
}

void HeadphonesDevice::onUpdateCheckFailed(const QString &message)
{
    m_selfUpdate->onCheckFailed(message);
}

void HeadphonesDevice::showUpdateDialog(const RemoteUpdate::UpdateInfo &info)
{
    m_selfUpdate->showUpdateQuestion(info);
}

void HeadphonesDevice::onUpdateDownloadStarted()
{
    m_selfUpdate->onDownloadStarted();
}

void HeadphonesDevice::onUpdateFailure(const QString &message)
{
    m_selfUpdate->onFailure(message);
}

void HeadphonesDevice::onUpdateProgressFailureDismissed()
{
    m_selfUpdate->onProgressFailureDismissed();
}

void HeadphonesDevice::checkLastInstallReceipt()
{
    m_selfUpdate->checkLastInstallReceipt();
}

void HeadphonesDevice::showInstallReceiptResult()
{
    m_selfUpdate->showInstallReceiptResult();
}
