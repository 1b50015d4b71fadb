#include "app/SelfUpdateFlow.h"

#include "app/dialogs/UpdateAvailableDialog.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "cloud/LoginController.h"
#include "cloud/RemoteUpdater.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <QtDebug>

#include <algorithm>

namespace {

// A receipt is a few dozen bytes; anything far larger is not one.
constexpr qint64 kMaxReceiptBytes = 64 * 1024;

// The texts of the update belong to the main window's translation context.
QString windowText(const char *source)
{
    return QCoreApplication::translate("HeadphonesDevice", source);
}

QString displayVersion(const QString &version)
{
    const QString v = version.trimmed();
    if (v.startsWith(QLatin1Char('V'), Qt::CaseInsensitive))
        return v;
    return QStringLiteral("V.") + v;
}

} // namespace

SelfUpdateFlow::SelfUpdateFlow(RemoteUpdate::RemoteUpdater *updater, QWidget *window)
    : QObject(window), m_updater(updater), m_window(window)
{
    connectUpdater();
}

SelfUpdateFlow::~SelfUpdateFlow() = default;

void SelfUpdateFlow::setQuittingProbe(std::function<bool()> probe)
{
    m_quitting = std::move(probe);
}

void SelfUpdateFlow::setReceiptBlocker(std::function<bool()> blocker)
{
    m_receiptBlocked = std::move(blocker);
}

UpdateDownloadProgressDialog *SelfUpdateFlow::progressDialog() const
{
    return m_progressDialog;
}

UpdateAvailableDialog *SelfUpdateFlow::questionDialog() const
{
    return m_question;
}

bool SelfUpdateFlow::isQuitting() const
{
    return m_quitting && m_quitting();
}

void SelfUpdateFlow::connectUpdater()
{
    using RemoteUpdate::RemoteUpdater;
    connect(m_updater, &RemoteUpdater::upToDate, this, &SelfUpdateFlow::onUpToDate);
    connect(m_updater, &RemoteUpdater::updateAvailable, this, [this](const RemoteUpdate::UpdateInfo &info) {
        m_userStartedCheck = false;
        showUpdateQuestion(info);
    });
    connect(m_updater, &RemoteUpdater::checkFailed, this, &SelfUpdateFlow::onCheckFailed);
    connect(m_updater, &RemoteUpdater::downloadStarted, this, &SelfUpdateFlow::onDownloadStarted);
    connect(m_updater, &RemoteUpdater::downloadProgress, this, &SelfUpdateFlow::onDownloadProgress);
    connect(m_updater, &RemoteUpdater::downloadFinished, this, &SelfUpdateFlow::onDownloadFinished);
    connect(m_updater, &RemoteUpdater::downloadFailed, this, &SelfUpdateFlow::onFailure);
    connect(m_updater, &RemoteUpdater::hashVerificationFailed, this, &SelfUpdateFlow::onFailure);
    connect(m_updater, &RemoteUpdater::installerLaunchFailed, this, &SelfUpdateFlow::onFailure);
    connect(m_updater, &RemoteUpdater::requestApplicationQuit, this, [this] {
        setBadgeVisible(false);
        emit quitRequested();
    });
}

void SelfUpdateFlow::onUpToDate()
{
    m_userStartedCheck = false;
    m_infoHeld = false;
    setBadgeVisible(false);
    emit offerChanged(false, false, false);
}

void SelfUpdateFlow::setBadgeVisible(bool visible)
{
    m_badgeShown = visible;
    emit badgeVisibilityChanged(visible);
}

void SelfUpdateFlow::startAutomaticCheck()
{
    m_userStartedCheck = false;
    m_updater->checkForUpdates();
}

void SelfUpdateFlow::startUserCheck()
{
    m_userStartedCheck = true;
    m_updater->checkForUpdates();
}

void SelfUpdateFlow::showBox(QMessageBox *box)
{
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

void SelfUpdateFlow::onCheckFailed(const QString &message)
{
    const bool userStarted = m_userStartedCheck;
    m_userStartedCheck = false;
    if (!userStarted) {
        qInfo().noquote() << QStringLiteral("[Update] auto-check failed: %1").arg(message);
        return;
    }
    const QString reason = message.trimmed();
    const QString text = windowText("检查更新失败：%1").arg(reason.isEmpty() ? windowText("网络异常") : reason);
    if (m_checkFailedBox) {
        m_checkFailedBox->setText(text);
        return;
    }
    m_checkFailedBox =
        new QMessageBox(QMessageBox::Warning, windowText("检查更新"), text, QMessageBox::Ok, m_window);
    showBox(m_checkFailedBox);
}

QString SelfUpdateFlow::updateTitle() const
{
    return m_infoHeld && m_info.belowMinSupported ? windowText("版本过低") : windowText("发现新版本");
}

void SelfUpdateFlow::downloadHeldUpdate()
{
    if (m_infoHeld)
        m_updater->downloadAndInstall(m_info);
}

void SelfUpdateFlow::showUpdateQuestion(const RemoteUpdate::UpdateInfo &info)
{
    m_info = info;
    m_infoHeld = true;
    emit offerChanged(info.belowMinSupported, info.force, true);

    QString title;
    QString message;
    if (info.belowMinSupported) {
        title = windowText("版本过低");
        message = windowText("当前版本已低于最低支持，请安装更新后继续使用。");
    } else {
        title = windowText("发现新版本");
        message = info.force ? windowText("系统检测有新版本，是否立即升级？")
                             : windowText("系统检测有新版本，是否立即更新？");
    }
    const QString cancel = info.force ? windowText("退出") : windowText("取消");
    // A newer answer while the question is up takes its place in the same dialog.
    m_questionForced = info.force;
    if (m_question) {
        m_question->setContent(title, message, cancel, windowText("立即升级"));
        return;
    }
    auto *dialog = new UpdateAvailableDialog(m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setContent(title, message, cancel, windowText("立即升级"));
    connect(dialog, &QDialog::finished, this, [this, dialog] { onQuestionAnswered(dialog->choice()); });
    m_question = dialog;
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
}

void SelfUpdateFlow::onQuestionAnswered(int choice)
{
    m_question = nullptr;
    if (isQuitting())
        return;
    if (choice == UpdateAvailableDialog::Confirmed) {
        downloadHeldUpdate();
        return;
    }
    if (m_questionForced) {
        emit quitRequested();
        return;
    }
    setBadgeVisible(true);
    emit updateSetAside();
}

void SelfUpdateFlow::onDownloadStarted()
{
    if (m_progressDialog) {
        m_progressDialog->showDownloading();
        m_progressDialog->setProgress(0);
        m_progressDialog->setProgressText(windowText("升级中"));
        if (!m_progressDialog->isVisible()) {
            m_progressDialog->show();
            m_progressDialog->raise();
            m_progressDialog->activateWindow();
        }
        return;
    }
    const QString version = m_infoHeld ? displayVersion(m_info.latestVersion) : QString();
    auto *dialog = new UpdateDownloadProgressDialog(updateTitle(), version,
                                                    m_infoHeld ? m_info.releaseNotes : QString(), m_window);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setProgress(0);
    dialog->setProgressText(windowText("升级中"));
    dialog->show();
    m_progressDialog = dialog;
    connect(dialog, &UpdateDownloadProgressDialog::retryRequested, this, &SelfUpdateFlow::downloadHeldUpdate);
    connect(dialog, &UpdateDownloadProgressDialog::failureCancelled, this,
            &SelfUpdateFlow::onProgressFailureDismissed);
}

void SelfUpdateFlow::onDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal)
{
    if (!m_progressDialog || m_progressDialog->isFailureShown())
        return;
    if (bytesTotal < 1) {
        m_progressDialog->setProgress(-1);
        m_progressDialog->setProgressText(windowText("升级中"));
        return;
    }
    const int percent = static_cast<int>(std::clamp<qlonglong>(bytesReceived * 100 / bytesTotal, 0, 100));
    m_progressDialog->setProgress(percent);
    m_progressDialog->setProgressText(windowText("升级中 %1%").arg(percent));
}

void SelfUpdateFlow::onDownloadFinished()
{
    if (!m_progressDialog || m_progressDialog->isFailureShown())
        return;
    m_progressDialog->setProgress(100);
    m_progressDialog->setProgressText(windowText("安装程序启动中..."));
}

void SelfUpdateFlow::onFailure(const QString &message)
{
    const QString raw = message.trimmed();
    // The updater's texts are known by their first line; a line after it
    // names a file or folder, whose name may hold any word.
    const QString detail = raw.section(QLatin1Char('\n'), 1).trimmed();
    QString text = LoginController::friendlyUpdateErrorText(raw.section(QLatin1Char('\n'), 0, 0));
    if (text.isEmpty() && !raw.isEmpty())
        qWarning().noquote() << QStringLiteral("[Update] failure (generic UI): %1").arg(raw);
    if (text.isEmpty()) {
        text = raw.isEmpty() ? windowText("请稍后重试") : windowText("升级未成功，请稍后重试。");
        // Said nowhere else: what to mend (a folder that is not the user's alone).
        if (!detail.isEmpty())
            text += QLatin1Char('\n') + detail;
    }

    if (m_progressDialog) {
        m_progressDialog->showFailure(text);
        return;
    }
    if (m_retryBox) {
        m_retryBox->setText(text);
        return;
    }
    auto *box = new QMessageBox(m_window);
    box->setWindowTitle(updateTitle());
    box->setIcon(QMessageBox::Warning);
    box->setText(text);
    box->setStandardButtons(QMessageBox::NoButton);
    box->setWindowFlag(Qt::WindowCloseButtonHint, true);
    QPushButton *retry = box->addButton(windowText("重试"), QMessageBox::AcceptRole);
    box->addButton(windowText("取消"), QMessageBox::RejectRole);
    box->setDefaultButton(retry);
    connect(box, &QDialog::finished, this, [this, box, retry] { onRetryBoxAnswered(box->clickedButton() == retry); });
    m_retryBox = box;
    showBox(box);
}

void SelfUpdateFlow::onRetryBoxAnswered(bool retry)
{
    m_retryBox = nullptr;
    if (retry && !isQuitting())
        downloadHeldUpdate();
}

void SelfUpdateFlow::onProgressFailureDismissed()
{
    setBadgeVisible(true);
    if (m_progressDialog)
        m_progressDialog->deleteLater();
    // The dialog is still on screen and inside its key handler here: whatever
    // waited for it would only find it and wait again.
    QMetaObject::invokeMethod(this, &SelfUpdateFlow::updateSetAside, Qt::QueuedConnection);
}

void SelfUpdateFlow::checkLastInstallReceipt()
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
        m_receiptMessage = windowText("上次更新安装程序已成功启动。");
        return;
    }
    m_receiptMessage = windowText("上次更新未完成（错误码 %1）。请重试更新。").arg(code);
    if (!installer.trimmed().isEmpty())
        m_receiptMessage += windowText("\n安装包：%1").arg(installer);
    m_receiptFailure = true;
}

void SelfUpdateFlow::showInstallReceiptResult()
{
    if (m_receiptMessage.trimmed().isEmpty() || isQuitting())
        return;
    // Not over the login window; the message then stays unshown.
    if (m_receiptBlocked && m_receiptBlocked())
        return;
    const QString message = m_receiptMessage;
    const bool failure = m_receiptFailure;
    m_receiptMessage.clear();
    m_receiptFailure = false;
    showBox(new QMessageBox(failure ? QMessageBox::Warning : QMessageBox::Information, windowText("更新结果"),
                            message, QMessageBox::Ok, m_window));
}
