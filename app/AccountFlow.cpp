#include "app/AccountFlow.h"

#include "account/ChangePasswordDialog.h"
#include "account/CustomLoginWindow.h"
#include "account/CustomUserProfilePage.h"
#include "account/EditAvatarDialog.h"
#include "account/EditEmailDialog.h"
#include "account/EditNicknameDialog.h"
#include "account/EditPhoneDialog.h"
#include "app/CustomTitleBar.h"
#include "cloud/AccountApi.h"
#include "cloud/LoginController.h"
#include "cloud/UserApi.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

using EarphoneApi::UserApi;

namespace {

const QString kTitleBarDefaultAvatar = QStringLiteral(":/images/headPortrait.png");
const QString kProfileDefaultAvatar = QStringLiteral(":/images/personalheadPortrait.png");

// An "@" with something before and after it.
bool looksLikeEmail(const QString &text)
{
    for (qsizetype at = text.indexOf(QLatin1Char('@')); at >= 0; at = text.indexOf(QLatin1Char('@'), at + 1)) {
        if (at > 0 && at < text.size() - 1)
            return true;
    }
    return false;
}

QString digitsOf(const QString &text)
{
    static const QRegularExpression nonDigit(QStringLiteral("\\D"));
    QString digits = text;
    return digits.remove(nonDigit);
}

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

// The account texts live in the main window's translation context.
QString windowText(const char *source)
{
    return QCoreApplication::translate("HeadphonesDevice", source);
}

} // namespace


AccountFlow::AccountFlow(LoginController *controller, QWidget *window)
    : QObject(window), m_controller(controller), m_window(window)
{
}

AccountFlow::~AccountFlow() = default;

void AccountFlow::setTitleBar(CustomTitleBar *titleBar)
{
    m_titleBar = titleBar;
}

void AccountFlow::setProfilePage(CustomUserProfilePage *page)
{
    m_profilePage = page;
}

void AccountFlow::setDialogRunner(std::function<int(QDialog *)> runner)
{
    m_runDialog = std::move(runner);
}

CustomLoginWindow *AccountFlow::loginWindow() const
{
    return m_loginWindow;
}

void AccountFlow::closeLoginWindow()
{
    if (m_loginWindow && m_loginWindow->isVisible())
        m_loginWindow->reject();
    m_loginWindow = nullptr;
}

bool AccountFlow::isSignedIn() const
{
    return m_controller && m_controller->isLoggedIn();
}

void AccountFlow::showLoginSucceeded(const QString &iconUrl, const QString &nickName)
{
    if (!m_titleBar)
        return;
    // Signed in, the stored record is the one to show.
    if (isSignedIn())
        restoreLoginDisplay();
    else
        showUserOnTitleBar(nickName, iconUrl);
}

void AccountFlow::restoreLoginDisplay()
{
    if (!m_titleBar || !isSignedIn())
        return;
    const EarphoneApi::UserInfo user = m_controller->loadStoredUserInfo();
    showUserOnTitleBar(user.nickName, user.iconUrl);
    fillProfilePage(user);
}

void AccountFlow::showUserOnTitleBar(const QString &nickName, const QString &iconUrl)
{
    const QString name = nickName.trimmed();
    const QString avatar = iconUrl.trimmed();
    m_titleBar->setLoginText(name.isEmpty() ? windowText("已登录") : name);
    m_titleBar->setAvatarUrl(avatar.isEmpty() ? kTitleBarDefaultAvatar : avatar);
}

void AccountFlow::showLoggedOut()
{
    if (!m_titleBar)
        return;
    m_titleBar->setLoginText(windowText("点击登录"));
    m_titleBar->setAvatarUrl(kTitleBarDefaultAvatar);
}

void AccountFlow::refreshLoginText()
{
    if (!m_titleBar)
        return;
    if (!isSignedIn()) {
        m_titleBar->setLoginText(windowText("点击登录"));
        return;
    }
    const QString nickname = m_controller->loadStoredUserInfo().nickName.trimmed();
    m_titleBar->setLoginText(nickname.isEmpty() ? windowText("已登录") : nickname);
}

void AccountFlow::populateProfilePage()
{
    if (m_profilePage && isSignedIn())
        fillProfilePage(m_controller->loadStoredUserInfo());
}

void AccountFlow::fillProfilePage(const EarphoneApi::UserInfo &user)
{
    if (!m_profilePage)
        return;
    m_profilePage->setNickname(user.nickName.trimmed());
    m_profilePage->setEmail(user.email.trimmed());
    m_profilePage->setPhone(user.userName.trimmed());
    // The real length is never known; the row only says a password is set.
    m_profilePage->setPasswordLength(8);
    const QString avatar = user.iconUrl.trimmed();
    m_profilePage->setAvatarUrl(avatar.isEmpty() ? kProfileDefaultAvatar : avatar);

    // An account can change the address it signs in with, not the other one.
    const int kind = accountKind(user);
    m_profilePage->setEmailEditable(kind != 1);
    m_profilePage->setPhoneEditable(kind != 2);
}

int AccountFlow::accountKind(const EarphoneApi::UserInfo &user)
{
    const QString name = user.userName.trimmed();
    if (looksLikeEmail(name))
        return 2;
    if (!mainlandMobileNumber(user).isEmpty())
        return 1;
    const QString digits = digitsOf(name);
    if (digits.size() >= 10 && digits.size() < 16)
        return 1;
    if (name.isEmpty())
        return looksLikeEmail(user.email.trimmed()) ? 2 : 0;
    return 0;
}

QString AccountFlow::mainlandMobileNumber(const EarphoneApi::UserInfo &user)
{
    static const QRegularExpression withAreaCode(QStringLiteral("^\\+(\\d+)\\s+(.+)$"));
    static const QRegularExpression mobile(QStringLiteral("^1[3-9]\\d{9}$"));
    QString number = user.userName.trimmed();
    if (number.isEmpty())
        return {};
    const QRegularExpressionMatch match = withAreaCode.match(number);
    if (match.hasMatch())
        number = match.captured(2).trimmed();
    QString digits = digitsOf(number);
    if (digits.size() == 13 && digits.startsWith(QLatin1String("86")))
        digits.remove(0, 2);
    return digits.size() == 11 && mobile.match(digits).hasMatch() ? digits : QString();
}

void AccountFlow::openLoginWindow(const QString &message, bool forgotPassword)
{
    if (!m_controller)
        return;
    auto *window = new CustomLoginWindow(m_window);
    const QPointer<CustomLoginWindow> guard = window;
    m_loginWindow = window;
    window->setModal(true);
    m_controller->bindLoginWindow(window->loginPort());
    if (!message.isEmpty())
        window->setLoginError(message);
    if (forgotPassword)
        window->switchToForgotPasswordPage();
    const QPointer<AccountFlow> self(this);
    if (m_runDialog)
        m_runDialog(window);
    else
        window->exec();
    if (!self)
        return;
    m_loginWindow = nullptr;
    if (guard)
        guard->deleteLater();
}

void AccountFlow::onNeedReLogin(const QString &message)
{
    if (!m_controller)
        return;
    const QString text = message.trimmed();
    emit failureToastRequested(text.isEmpty() ? windowText("登录已过期，请重新登录") : text, 1000);
}

void AccountFlow::onSessionExpired(const QString &message)
{
    const QString text = message.trimmed();
    emit failureToastRequested(text.isEmpty() ? windowText("登录过期，请重新登录") : text, 1000);
}

void AccountFlow::onProfileSyncFailed(const QString &hint)
{
    const QString text = hint.trimmed();
    if (text.isEmpty())
        return;
    // The window shows it on the device page's content bar, or as a tooltip before that page exists.
    emit infoToastRequested(text, 1000);
}


QString AccountFlow::apiErrorText(int errorCode)
{
    // The server's own message is not shown: it is not in the user's language.
    return errorCode == -1 ? windowText("网络异常，请重试") : LoginController::friendlyApiErrorText(errorCode);
}

void AccountFlow::refreshUserRecord()
{
    // Through the session, which keeps only the answer to what it asked.
    if (isSignedIn())
        m_controller->refreshUserRecord();
}

int AccountFlow::runProfileDialog(QDialog *dialog)
{
    const QPoint centre = m_window->mapToGlobal(m_window->rect().center());
    dialog->move(centre - QPoint(dialog->width() / 2, dialog->height() / 2));
    return m_runDialog ? m_runDialog(dialog) : dialog->exec();
}

void AccountFlow::editNickname()
{
    if (!isSignedIn())
        return;
    const QString current = m_controller->loadStoredUserInfo().nickName.trimmed();
    EditNicknameDialog dialog(current, m_window);
    if (runProfileDialog(&dialog) != QDialog::Accepted)
        return;
    const QString nickname = EditNicknameDialog::truncateUtf8(dialog.nickname());
    UserApi *api = m_controller->userApi();
    if (nickname.isEmpty() || nickname == current || !api)
        return;
    onFirstAnswer(
        api, this, &UserApi::userInfoUpdateSuccess,
        [this] {
            emit toastRequested(windowText("昵称已更新"), false);
            refreshUserRecord();
        },
        &UserApi::userInfoUpdateFailed,
        [this](int errorCode, const QString &) { emit failureToastRequested(apiErrorText(errorCode), 1000); });
    EarphoneApi::UserInfo change;
    change.nickName = nickname;
    api->updateUserInfo(change);
}

void AccountFlow::editAvatar()
{
    if (!isSignedIn())
        return;
    EditAvatarDialog dialog(m_controller->loadStoredUserInfo().iconUrl.trimmed(), m_window);
    if (runProfileDialog(&dialog) != QDialog::Accepted)
        return;
    const QString path = dialog.selectedFilePath();
    UserApi *api = m_controller->userApi();
    if (path.isEmpty() || !api)
        return;
    const auto showFailure = [this](int errorCode, const QString &) {
        emit failureToastRequested(apiErrorText(errorCode), 1000);
    };
    // The picture goes up first; its address then becomes the profile's.
    onFirstAnswer(
        api, this, &UserApi::profilePictureUploaded,
        [this, api, showFailure](const QString &imageUrl) {
            onFirstAnswer(
                api, this, &UserApi::userInfoUpdateSuccess,
                [this] {
                    emit toastRequested(windowText("头像已更新"), false);
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

void AccountFlow::modifyPassword()
{
    if (!isSignedIn())
        return;
    ChangePasswordDialog dialog(m_window);
    connect(&dialog, &ChangePasswordDialog::modifyPasswordSubmitted, &dialog,
            [this, &dialog](const QString &oldPassword, const QString &newPassword) {
                UserApi *api = m_controller ? m_controller->userApi() : nullptr;
                if (!api) {
                    dialog.setSubmitting(false);
                    return;
                }
                dialog.setSubmitting(true);
                onFirstAnswer(
                    api, &dialog, &UserApi::passwordChanged,
                    [this, &dialog] {
                        dialog.setSubmitting(false);
                        emit toastRequested(windowText("密码已修改"), false);
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

void AccountFlow::modifyEmail()
{
    if (isSignedIn())
        runAccountChange<EditEmailDialog>(&EditEmailDialog::modifyEmailSubmitted, QString(), windowText("邮箱已修改"));
}

void AccountFlow::modifyPhone()
{
    if (isSignedIn())
        runAccountChange<EditPhoneDialog>(&EditPhoneDialog::modifyPhoneSubmitted, QStringLiteral("86"),
                                          windowText("手机号已修改"));
}

template <typename Dialog>
void AccountFlow::runAccountChange(void (Dialog::*submitted)(const QString &, const QString &),
                                        const QString &areaCode, const QString &changedText)
{
    Dialog dialog(m_window);
    connect(&dialog, submitted, &dialog, [this, &dialog, changedText](const QString &value, const QString &code) {
        submitAccountChange(dialog, value, code, changedText);
    });
    runAccountChangeDialog(dialog, areaCode);
}

void AccountFlow::runAccountChangeDialog(VerificationCodeDialog &dialog, const QString &areaCode)
{
    connect(&dialog, &VerificationCodeDialog::sendVerificationRequested, &dialog,
            [this, &dialog, areaCode](const QString &value) {
                EarphoneApi::AccountApi *api = m_controller ? m_controller->accountApi() : nullptr;
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

void AccountFlow::submitAccountChange(VerificationCodeDialog &dialog, const QString &value, const QString &code,
                                           const QString &changedText)
{
    UserApi *api = m_controller ? m_controller->userApi() : nullptr;
    if (!api)
        return;
    dialog.setSubmitting(true);
    onFirstAnswer(
        api, &dialog, &UserApi::accountChanged,
        [this, &dialog, changedText](const QString &message) {
            dialog.setSubmitting(false);
            const QString text = message.trimmed();
            emit toastRequested(text.isEmpty() ? changedText : text, false);
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
