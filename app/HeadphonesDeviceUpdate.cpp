// The program's self-update on the main window: the updater and its trusted
// key, the automatic and the user's checks, the update question, the
// download progress and its failures, the badges of a declined update, and
// the receipt of the last installation.
#include "app/HeadphonesDevice.h"

#include "app/CustomSettingsForm.h"
#include "app/CustomTitleBar.h"
#include "app/dialogs/UpdateAvailableDialog.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "account/CustomLoginWindow.h"
#include "cloud/ApiManager.h"
#include "cloud/LoginController.h"
#include "cloud/ManifestPublicKeyLocator.h"
#include "cloud/RemoteUpdater.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QtDebug>

#include <algorithm>

namespace {

// A receipt is a few dozen bytes; anything far larger is not one.
constexpr qint64 kMaxReceiptBytes = 64 * 1024;

QString displayVersion(const QString &version)
{
    const QString v = version.trimmed();
    if (v.startsWith(QLatin1Char('V'), Qt::CaseInsensitive))
        return v;
    return QStringLiteral("V.") + v;
}

} // namespace

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
    connectRemoteUpdater();
}

void HeadphonesDevice::connectRemoteUpdater()
{
    using RemoteUpdate::RemoteUpdater;
    connect(m_remoteUpdater, &RemoteUpdater::upToDate, this, [this] {
        m_userStartedUpdateCheck = false;
        m_updateInfoHeld = false;
        setUpdateBadgesVisible(false);
        if (m_settingsPage) {
            m_settingsPage->setVersionTooLow(false);
            m_settingsPage->setUpdateRequired(false);
            m_settingsPage->setUpdateAvailable(false);
        }
    });
    connect(m_remoteUpdater, &RemoteUpdater::updateAvailable, this, [this](const RemoteUpdate::UpdateInfo &info) {
        m_userStartedUpdateCheck = false;
        showUpdateDialog(info);
    });
    connect(m_remoteUpdater, &RemoteUpdater::checkFailed, this, &HeadphonesDevice::onUpdateCheckFailed);
    connect(m_remoteUpdater, &RemoteUpdater::downloadStarted, this, &HeadphonesDevice::onUpdateDownloadStarted);
    connect(m_remoteUpdater, &RemoteUpdater::downloadProgress, this, &HeadphonesDevice::onUpdateDownloadProgress);
    connect(m_remoteUpdater, &RemoteUpdater::downloadFinished, this, &HeadphonesDevice::onUpdateDownloadFinished);
    connect(m_remoteUpdater, &RemoteUpdater::downloadFailed, this, &HeadphonesDevice::onUpdateFailure);
    connect(m_remoteUpdater, &RemoteUpdater::hashVerificationFailed, this, &HeadphonesDevice::onUpdateFailure);
    connect(m_remoteUpdater, &RemoteUpdater::installerLaunchFailed, this, &HeadphonesDevice::onUpdateFailure);
    connect(m_remoteUpdater, &RemoteUpdater::requestApplicationQuit, this, [this] {
        setUpdateBadgesVisible(false);
        quitApplicationFully();
    });
}

void HeadphonesDevice::setUpdateBadgesVisible(bool visible)
{
    m_updateBadgeShown = visible;
    if (m_settingsPage)
        m_settingsPage->setUpdateBadgeVisible(visible);
    if (m_titleBar)
        m_titleBar->setSettingBadgeVisible(visible);
}

void HeadphonesDevice::startAutomaticUpdateCheck()
{
    if (!m_remoteUpdater)
        return;
    m_userStartedUpdateCheck = false;
    m_remoteUpdater->checkForUpdates();
}

void HeadphonesDevice::startUserUpdateCheck()
{
    if (!m_remoteUpdater)
        return;
    m_userStartedUpdateCheck = true;
    m_remoteUpdater->checkForUpdates();
}

void HeadphonesDevice::onUpdateCheckFailed(const QString &message)
{
    const bool userStarted = m_userStartedUpdateCheck;
    m_userStartedUpdateCheck = false;
    if (!userStarted) {
        qInfo().noquote() << QStringLiteral("[Update] auto-check failed: %1").arg(message);
        return;
    }
    const QString reason = message.trimmed();
    QMessageBox::warning(this, tr("检查更新"),
                         tr("检查更新失败：%1").arg(reason.isEmpty() ? tr("网络异常") : reason), QMessageBox::Ok);
}

QString HeadphonesDevice::updateTitle() const
{
    return m_updateInfoHeld && m_updateInfo.belowMinSupported ? tr("版本过低") : tr("发现新版本");
}

void HeadphonesDevice::downloadHeldUpdate()
{
    if (m_remoteUpdater && m_updateInfoHeld)
        m_remoteUpdater->downloadAndInstall(m_updateInfo);
}

void HeadphonesDevice::showUpdateDialog(const RemoteUpdate::UpdateInfo &info)
{
    m_updateInfo = info;
    m_updateInfoHeld = true;
    if (m_settingsPage) {
        m_settingsPage->setVersionTooLow(info.belowMinSupported);
        m_settingsPage->setUpdateRequired(info.force);
        m_settingsPage->setUpdateAvailable(true);
    }

    QString title;
    QString message;
    if (info.belowMinSupported) {
        title = tr("版本过低");
        message = tr("当前版本已低于最低支持，请安装更新后继续使用。");
    } else {
        title = tr("发现新版本");
        message = info.force ? tr("系统检测有新版本，是否立即升级？") : tr("系统检测有新版本，是否立即更新？");
    }
    UpdateAvailableDialog dialog(this);
    dialog.setContent(title, message, info.force ? tr("退出") : tr("取消"), tr("立即升级"));
    dialog.exec();

    if (dialog.choice() == UpdateAvailableDialog::Confirmed) {
        downloadHeldUpdate();
        return;
    }
    if (info.force) {
        quitApplicationFully();
        return;
    }
    setUpdateBadgesVisible(true);
    resumeDeferredFirmwarePrompt();
}

void HeadphonesDevice::onUpdateDownloadStarted()
{
    if (m_updateProgressDialog) {
        m_updateProgressDialog->showDownloading();
        m_updateProgressDialog->setProgress(0);
        m_updateProgressDialog->setProgressText(tr("升级中"));
        if (!m_updateProgressDialog->isVisible()) {
            m_updateProgressDialog->show();
            m_updateProgressDialog->raise();
            m_updateProgressDialog->activateWindow();
        }
        return;
    }
    const QString version = m_updateInfoHeld ? displayVersion(m_updateInfo.latestVersion) : QString();
    auto *dialog = new UpdateDownloadProgressDialog(updateTitle(), version,
                                                    m_updateInfoHeld ? m_updateInfo.releaseNotes : QString(), this);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setProgress(0);
    dialog->setProgressText(tr("升级中"));
    dialog->show();
    m_updateProgressDialog = dialog;
    connect(dialog, &UpdateDownloadProgressDialog::retryRequested, this, &HeadphonesDevice::downloadHeldUpdate);
    connect(dialog, &UpdateDownloadProgressDialog::failureCancelled, this,
            &HeadphonesDevice::onUpdateProgressFailureDismissed);
}

void HeadphonesDevice::onUpdateDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal)
{
    if (!m_updateProgressDialog || m_updateProgressDialog->isFailureShown())
        return;
    if (bytesTotal < 1) {
        m_updateProgressDialog->setProgress(-1);
        m_updateProgressDialog->setProgressText(tr("升级中"));
        return;
    }
    const int percent = static_cast<int>(std::clamp<qlonglong>(bytesReceived * 100 / bytesTotal, 0, 100));
    m_updateProgressDialog->setProgress(percent);
    m_updateProgressDialog->setProgressText(tr("升级中 %1%").arg(percent));
}

void HeadphonesDevice::onUpdateDownloadFinished()
{
    if (!m_updateProgressDialog || m_updateProgressDialog->isFailureShown())
        return;
    m_updateProgressDialog->setProgress(100);
    m_updateProgressDialog->setProgressText(tr("安装程序启动中..."));
}

void HeadphonesDevice::onUpdateFailure(const QString &message)
{
    const QString raw = message.trimmed();
    QString text = LoginController::friendlyUpdateErrorText(raw);
    if (text.isEmpty() && !raw.isEmpty())
        qWarning().noquote() << QStringLiteral("[Update] failure (generic UI): %1").arg(raw);
    if (text.isEmpty())
        text = raw.isEmpty() ? tr("请稍后重试") : tr("升级未成功，请稍后重试。");

    if (m_updateProgressDialog) {
        m_updateProgressDialog->showFailure(text);
        return;
    }
    QMessageBox box(this);
    box.setWindowTitle(updateTitle());
    box.setIcon(QMessageBox::Warning);
    box.setText(text);
    box.setStandardButtons(QMessageBox::NoButton);
    box.setWindowFlag(Qt::WindowCloseButtonHint, true);
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton *retry = box.addButton(tr("重试"), QMessageBox::AcceptRole);
    box.addButton(tr("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(retry);
    box.exec();
    if (box.clickedButton() == retry)
        downloadHeldUpdate();
}

void HeadphonesDevice::onUpdateProgressFailureDismissed()
{
    setUpdateBadgesVisible(true);
    if (m_updateProgressDialog)
        m_updateProgressDialog->deleteLater();
    // The dialog is still on screen and inside its key handler here: the firmware
    // question it held back would only wait again, or open its loop in there.
    QMetaObject::invokeMethod(this, &HeadphonesDevice::resumeDeferredFirmwarePrompt, Qt::QueuedConnection);
}

void HeadphonesDevice::resumeDeferredFirmwarePrompt()
{
    if (!m_firmwarePromptDeferred)
        return;
    m_firmwarePromptDeferred = false;
    promptFirmwareUpdate();
}

void HeadphonesDevice::checkLastInstallReceipt()
{
    m_receiptMessage.clear();
    m_receiptFailure = false;
    QFile file(RemoteUpdate::installReceiptPath());
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        file.remove();
        return;
    }
    const QByteArray content = file.read(kMaxReceiptBytes);
    file.close();
    // A receipt is reported once, whatever it holds.
    file.remove();

    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return;
    const QJsonObject receipt = doc.object();
    const QString status = receipt.value(QStringLiteral("status")).toString();
    const QJsonValue codeValue = receipt.value(QStringLiteral("code"));
    const int code = codeValue.isDouble() ? codeValue.toInt(-1) : -1;
    const QString installer = receipt.value(QStringLiteral("installer")).toString();

    if (status == QLatin1String("installer_started")) {
        m_receiptMessage = tr("上次更新安装程序已成功启动。");
        return;
    }
    m_receiptMessage = tr("上次更新未完成（错误码 %1）。请重试更新。").arg(code);
    if (!installer.trimmed().isEmpty())
        m_receiptMessage += tr("\n安装包：%1").arg(installer);
    m_receiptFailure = true;
}

void HeadphonesDevice::showInstallReceiptResult()
{
    if (m_receiptMessage.trimmed().isEmpty() || m_quitting)
        return;
    // Not over the login window; the message then stays unshown.
    if (m_loginWindow && m_loginWindow->isVisible())
        return;
    const QString message = m_receiptMessage;
    const bool failure = m_receiptFailure;
    m_receiptMessage.clear();
    m_receiptFailure = false;
    if (failure)
        QMessageBox::warning(this, tr("更新结果"), message, QMessageBox::Ok);
    else
        QMessageBox::information(this, tr("更新结果"), message, QMessageBox::Ok);
}
