// The five edits of the profile page: nickname, avatar, password, e-mail and
// phone number. Each runs its dialog over the blurred window and talks to the
// user or account API of the login controller.
#include "app/HeadphonesDevice.h"

#include "account/ChangePasswordDialog.h"
#include "account/EditAvatarDialog.h"
#include "account/EditEmailDialog.h"
#include "account/EditNicknameDialog.h"
#include "account/EditPhoneDialog.h"
#include "cloud/AccountApi.h"
#include "cloud/LoginController.h"
#include "cloud/UserApi.h"

#include <QTimer>

#include <array>
#include <memory>

using EarphoneApi::UserApi;

namespace {

// Connects the two answers of one request; the first to arrive ends both
// connections, so a later request's answer never reaches this one's handler.
template <typename Sender, typename OkSignal, typename OkHandler, typename FailSignal, typename FailHandler>
void onFirstAnswer(Sender *sender, QObject *context, OkSignal okSignal, OkHandler onOk, FailSignal failSignal,
                   FailHandler onFail)
{
    auto links = std::make_shared<std::array<QMetaObject::Connection, 2>>();
    const auto cut = [links] {
        for (const QMetaObject::Connection &link : *links)
            QObject::disconnect(link);
    };
    (*links)[0] = QObject::connect(
        sender, okSignal, context,
        [cut, onOk](const auto &...args) {
            cut();
            onOk(args...);
        },
        Qt::SingleShotConnection);
    (*links)[1] = QObject::connect(
        sender, failSignal, context,
        [cut, onFail](const auto &...args) {
            cut();
            onFail(args...);
        },
        Qt::SingleShotConnection);
}

} // namespace

QString HeadphonesDevice::apiErrorText(int errorCode)
{
    // The server's own message is not shown: it is not in the user's language.
    return errorCode == -1 ? tr("网络异常，请重试") : LoginController::friendlyApiErrorText(errorCode);
}

void HeadphonesDevice::refreshUserRecord()
{
    if (!isSignedIn())
        return;
    const QString uid = m_loginController->loadStoredUserInfo().uid.trimmed();
    if (!uid.isEmpty() && m_loginController->userApi())
        m_loginController->userApi()->getUserInfo(uid);
}

int HeadphonesDevice::runProfileDialog(QDialog *dialog)
{
    const QPoint centre = mapToGlobal(rect().center());
    dialog->move(centre - QPoint(dialog->width() / 2, dialog->height() / 2));
    return execDialogWithBlur(this, dialog);
}

void HeadphonesDevice::onEditNicknameRequested()
{
    if (!isSignedIn())
        return;
    const QString current = m_loginController->loadStoredUserInfo().nickName.trimmed();
    EditNicknameDialog dialog(current, this);
    if (runProfileDialog(&dialog) != QDialog::Accepted)
        return;
    const QString nickname = EditNicknameDialog::truncateUtf8(dialog.nickname());
    UserApi *api = m_loginController->userApi();
    if (nickname.isEmpty() || nickname == current || !api)
        return;
    onFirstAnswer(
        api, this, &UserApi::userInfoUpdateSuccess,
        [this] {
            showToast(tr("昵称已更新"), false);
            refreshUserRecord();
        },
        &UserApi::userInfoUpdateFailed,
        [this](int errorCode, const QString &) { showFailureToast(apiErrorText(errorCode), 1000); });
    EarphoneApi::UserInfo change;
    change.nickName = nickname;
    api->updateUserInfo(change);
}

void HeadphonesDevice::onEditAvatarRequested()
{
    if (!isSignedIn())
        return;
    EditAvatarDialog dialog(m_loginController->loadStoredUserInfo().iconUrl.trimmed(), this);
    if (runProfileDialog(&dialog) != QDialog::Accepted)
        return;
    const QString path = dialog.selectedFilePath();
    UserApi *api = m_loginController->userApi();
    if (path.isEmpty() || !api)
        return;
    const auto showFailure = [this](int errorCode, const QString &) {
        showFailureToast(apiErrorText(errorCode), 1000);
    };
    // The picture goes up first; its address then becomes the profile's.
    onFirstAnswer(
        api, this, &UserApi::profilePictureUploaded,
        [this, api, showFailure](const QString &imageUrl) {
            onFirstAnswer(
                api, this, &UserApi::userInfoUpdateSuccess,
                [this] {
                    showToast(tr("头像已更新"), false);
                    refreshUserRecord();
                },
                &UserApi::userInfoUpdateFailed, showFailure);
            EarphoneApi::UserInfo change;
            change.iconUrl = imageUrl;
            api->updateUserInfo(change);
        },
        &UserApi::profilePictureUploadFailed, showFailure);
    api->uploadProfilePicture(path);
}

void HeadphonesDevice::onModifyPasswordRequested()
{
    if (!isSignedIn())
        return;
    ChangePasswordDialog dialog(this);
    connect(&dialog, &ChangePasswordDialog::modifyPasswordSubmitted, &dialog,
            [this, &dialog](const QString &oldPassword, const QString &newPassword) {
                UserApi *api = m_loginController ? m_loginController->userApi() : nullptr;
                if (!api) {
                    dialog.setSubmitting(false);
                    return;
                }
                dialog.setSubmitting(true);
                onFirstAnswer(
                    api, &dialog, &UserApi::passwordChanged,
                    [this, &dialog] {
                        dialog.setSubmitting(false);
                        showToast(tr("密码已修改"), false);
                        dialog.accept();
                    },
                    &UserApi::passwordChangeFailed,
                    [&dialog](int errorCode, const QString &) {
                        dialog.setSubmitting(false);
                        dialog.setErrorText(apiErrorText(errorCode));
                    });
                api->changePassword(oldPassword, newPassword);
            });
    runProfileDialog(&dialog);
    if (dialog.isForgotPasswordRequested()) {
        // Once this dialog's run has unwound.
        QTimer::singleShot(0, this, [this] { openLoginWindow(QString(), true); });
    }
}

void HeadphonesDevice::onModifyEmailRequested()
{
    if (isSignedIn())
        runAccountChange<EditEmailDialog>(&EditEmailDialog::modifyEmailSubmitted, QString(), tr("邮箱已修改"));
}

void HeadphonesDevice::onModifyPhoneRequested()
{
    if (isSignedIn())
        runAccountChange<EditPhoneDialog>(&EditPhoneDialog::modifyPhoneSubmitted, QStringLiteral("86"),
                                          tr("手机号已修改"));
}

template <typename Dialog>
void HeadphonesDevice::runAccountChange(void (Dialog::*submitted)(const QString &, const QString &),
                                        const QString &areaCode, const QString &changedText)
{
    Dialog dialog(this);
    connect(&dialog, submitted, &dialog, [this, &dialog, changedText](const QString &value, const QString &code) {
        submitAccountChange(dialog, value, code, changedText);
    });
    runAccountChangeDialog(dialog, areaCode);
}

void HeadphonesDevice::runAccountChangeDialog(VerificationCodeDialog &dialog, const QString &areaCode)
{
    connect(&dialog, &VerificationCodeDialog::sendVerificationRequested, &dialog,
            [this, &dialog, areaCode](const QString &value) {
                EarphoneApi::AccountApi *api = m_loginController ? m_loginController->accountApi() : nullptr;
                if (!api)
                    return;
                onFirstAnswer(
                    api, &dialog, &EarphoneApi::AccountApi::verificationCodeSent,
                    [&dialog] { dialog.onSendCodeSucceeded(); },
                    &EarphoneApi::AccountApi::verificationCodeSendFailed,
                    [&dialog](int errorCode, const QString &message) {
                        dialog.onSendCodeFailed(errorCode, message);
                        dialog.setErrorText(apiErrorText(errorCode));
                    });
                api->sendVerificationCode(value, 3, areaCode);
            });
    runProfileDialog(&dialog);
}

void HeadphonesDevice::submitAccountChange(VerificationCodeDialog &dialog, const QString &value, const QString &code,
                                           const QString &changedText)
{
    UserApi *api = m_loginController ? m_loginController->userApi() : nullptr;
    if (!api)
        return;
    dialog.setSubmitting(true);
    onFirstAnswer(
        api, &dialog, &UserApi::accountChanged,
        [this, &dialog, changedText](const QString &message) {
            dialog.setSubmitting(false);
            const QString text = message.trimmed();
            showToast(text.isEmpty() ? changedText : text, false);
            refreshUserRecord();
            dialog.accept();
        },
        &UserApi::accountChangeFailed,
        [&dialog](int errorCode, const QString &) {
            dialog.setSubmitting(false);
            dialog.setErrorText(apiErrorText(errorCode));
        });
    api->changeAccount(value, code);
}
