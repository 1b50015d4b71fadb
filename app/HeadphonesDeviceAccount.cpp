// The signed-in user on the main window: the title bar's login display, the
// login window, the profile page and the session messages of the login
// controller.
#include "app/HeadphonesDevice.h"

#include "account/CustomLoginWindow.h"
#include "account/CustomUserProfilePage.h"
#include "app/CustomTitleBar.h"
#include "cloud/LoginController.h"
#include "devicepages/EquipmentContentsBar.h"

#include <QRegularExpression>

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

} // namespace

bool HeadphonesDevice::isSignedIn() const
{
    return m_loginController && m_loginController->isLoggedIn();
}

void HeadphonesDevice::onLoginSucceededUpdateUI(const QString &iconUrl, const QString &nickName)
{
    if (!m_titleBar)
        return;
    // Signed in, the stored record is the one to show.
    if (isSignedIn())
        restoreLoginDisplay();
    else
        showUserOnTitleBar(nickName, iconUrl);
}

void HeadphonesDevice::restoreLoginDisplay()
{
    if (!m_titleBar || !isSignedIn())
        return;
    const EarphoneApi::UserInfo user = m_loginController->loadStoredUserInfo();
    showUserOnTitleBar(user.nickName, user.iconUrl);
    fillProfilePage(user);
}

void HeadphonesDevice::showUserOnTitleBar(const QString &nickName, const QString &iconUrl)
{
    const QString name = nickName.trimmed();
    const QString avatar = iconUrl.trimmed();
    m_titleBar->setLoginText(name.isEmpty() ? tr("已登录") : name);
    m_titleBar->setAvatarUrl(avatar.isEmpty() ? kTitleBarDefaultAvatar : avatar);
}

void HeadphonesDevice::onLoggedOut()
{
    if (m_currentPage == ProfilePage)
        returnFromProfilePage();
    if (m_titleBar) {
        m_titleBar->setLoginText(tr("点击登录"));
        m_titleBar->setAvatarUrl(kTitleBarDefaultAvatar);
    }
}

void HeadphonesDevice::onStackPageChanged(int page)
{
    if (page == ProfilePage && isSignedIn())
        populateProfilePage();
}

void HeadphonesDevice::populateProfilePage()
{
    if (m_profilePage && isSignedIn())
        fillProfilePage(m_loginController->loadStoredUserInfo());
}

void HeadphonesDevice::fillProfilePage(const EarphoneApi::UserInfo &user)
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

int HeadphonesDevice::accountKind(const EarphoneApi::UserInfo &user)
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

QString HeadphonesDevice::mainlandMobileNumber(const EarphoneApi::UserInfo &user)
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

void HeadphonesDevice::openLoginWindow(const QString &message, bool forgotPassword)
{
    if (!m_loginController)
        return;
    auto *window = new CustomLoginWindow(this);
    const QPointer<CustomLoginWindow> guard = window;
    m_loginWindow = window;
    window->setModal(true);
    m_loginController->bindLoginWindow(window);
    if (!message.isEmpty())
        window->setLoginError(message);
    if (forgotPassword)
        window->switchToForgotPasswordPage();
    execDialogWithBlur(this, window);
    m_loginWindow = nullptr;
    if (guard)
        guard->deleteLater();
}

void HeadphonesDevice::onNeedReLogin(const QString &message)
{
    if (!m_loginController)
        return;
    const QString text = message.trimmed();
    showFailureToast(text.isEmpty() ? tr("登录已过期，请重新登录") : text, 1000);
}

void HeadphonesDevice::onSessionExpiredToast(const QString &message)
{
    const QString text = message.trimmed();
    showFailureToast(text.isEmpty() ? tr("登录过期，请重新登录") : text, 1000);
}

void HeadphonesDevice::onProfileSyncFromServerFailed(const QString &hint)
{
    const QString text = hint.trimmed();
    if (text.isEmpty())
        return;
    if (m_contentBar) {
        m_contentBar->showTopToastInfo(text, 1000);
        return;
    }
    showTooltipToast(text, 1000);
}
