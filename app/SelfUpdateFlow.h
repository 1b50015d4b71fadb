#pragma once

#include "cloud/UpdateInfo.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QMessageBox;
class QWidget;
class UpdateAvailableDialog;
class UpdateDownloadProgressDialog;

namespace RemoteUpdate {
class RemoteUpdater;
}

// The program's self-update as the user sees it: the answers of the updater
// turned into the update question, the download progress, the failure boxes,
// the badge of a declined update and the message about the last
// installation. Every dialog is shown without a loop of its own, so device
// and network signals keep their ordinary road while one is up; its answer
// comes back to a slot here.
class SelfUpdateFlow : public QObject
{
    Q_OBJECT
public:
    // `window` parents the dialogs and this object.
    SelfUpdateFlow(RemoteUpdate::RemoteUpdater *updater, QWidget *window);
    ~SelfUpdateFlow() override;

    // Answers that come while this holds are dropped (the program is quitting).
    void setQuittingProbe(std::function<bool()> probe);
    // While this holds the receipt message waits (the login window is up).
    void setReceiptBlocker(std::function<bool()> blocker);

    RemoteUpdate::RemoteUpdater *updater() const { return m_updater; }
    UpdateDownloadProgressDialog *progressDialog() const;
    UpdateAvailableDialog *questionDialog() const;
    bool isBadgeShown() const { return m_badgeShown; }
    bool isUpdateInfoHeld() const { return m_infoHeld; }
    QString pendingReceiptMessage() const { return m_receiptMessage; }

    void startAutomaticCheck();
    void startUserCheck();
    void showUpdateQuestion(const RemoteUpdate::UpdateInfo &info);
    void onCheckFailed(const QString &message);
    void onDownloadStarted();
    void onFailure(const QString &message);
    void onProgressFailureDismissed();
    void setBadgeVisible(bool visible);

    void checkLastInstallReceipt();
    void showInstallReceiptResult();

signals:
    void badgeVisibilityChanged(bool visible);
    // What the settings page tells about the offer.
    void offerChanged(bool versionTooLow, bool updateRequired, bool updateAvailable);
    // A required update was refused, or the installer has started.
    void quitRequested();
    // An optional update was declined or its failure dismissed: the screen is free again.
    void updateSetAside();

private:
    void connectUpdater();
    void onUpToDate();
    void onDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal);
    void onDownloadFinished();
    void onQuestionAnswered(int choice);
    void onRetryBoxAnswered(bool retry);
    void downloadHeldUpdate();
    bool isQuitting() const;
    QString updateTitle() const;
    // Shows `box` modal over the whole program, without a loop of its own.
    void showBox(QMessageBox *box);

    RemoteUpdate::RemoteUpdater *m_updater;
    QWidget *m_window;
    std::function<bool()> m_quitting;
    std::function<bool()> m_receiptBlocked;

    RemoteUpdate::UpdateInfo m_info;
    bool m_infoHeld = false;
    bool m_userStartedCheck = false;
    bool m_badgeShown = false;
    // Whether the question now up offers a required update.
    bool m_questionForced = false;
    QString m_receiptMessage;
    bool m_receiptFailure = false;

    QPointer<UpdateDownloadProgressDialog> m_progressDialog;
    QPointer<UpdateAvailableDialog> m_question;
    // At most one box of each kind is up; a second answer of the same kind updates it.
    QPointer<QMessageBox> m_checkFailedBox;
    QPointer<QMessageBox> m_retryBox;
};
