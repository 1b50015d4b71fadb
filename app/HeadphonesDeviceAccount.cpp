// The window's side of the account flows: AccountFlow holds the login
// display, the login window, the profile page and its five edits; the
// window shows the toasts it asks for and keeps the page switching.
#include "app/HeadphonesDevice.h"

#include "app/AccountFlow.h"
#include "devicepages/EquipmentContentsBar.h"

void HeadphonesDevice::setupAccountFlow()
{
    m_account = new AccountFlow(m_loginController, this);
    m_account->setTitleBar(m_titleBar);
    m_account->setProfilePage(m_profilePage);
    m_account->setDialogRunner([this](QDialog *dialog) { return execDialogWithBlur(this, dialog); });
    connect(m_account, &AccountFlow::toastRequested, this, &HeadphonesDevice::showToast);
    connect(m_account, &AccountFlow::failureToastRequested, this, &HeadphonesDevice::showFailureToast);
    connect(m_account, &AccountFlow::infoToastRequested, this, [this](const QString &text, int durationMs) {
        if (m_contentBar)
            m_contentBar->showTopToastInfo(text, durationMs);
        else
            showTooltipToast(text, durationMs);
    });
}

CustomLoginWindow *HeadphonesDevice::loginWindow() const
{
    return m_account ? m_account->loginWindow() : nullptr;
}

bool HeadphonesDevice::isSignedIn() const
{
    return m_account && m_account->isSignedIn();
}

void HeadphonesDevice::onLoginSucceededUpdateUI(const QString &iconUrl, const QString &nickName)
{
    m_account->showLoginSucceeded(iconUrl, nickName);
}

void HeadphonesDevice::restoreLoginDisplay()
{
    m_account->restoreLoginDisplay();
}

void HeadphonesDevice::refreshLoginText()
{
    m_account->refreshLoginText();
}

void HeadphonesDevice::onLoggedOut()
{
    if (m_currentPage == ProfilePage)
        returnFromProfilePage();
    m_account->showLoggedOut();
}

void HeadphonesDevice::onStackPageChanged(int page)
{
    if (page == ProfilePage && isSignedIn())
        populateProfilePage();
}

void HeadphonesDevice::populateProfilePage()
{
    m_account->populateProfilePage();
}

int HeadphonesDevice::accountKind(const EarphoneApi::UserInfo &user)
{
    return AccountFlow::accountKind(user);
}

QString HeadphonesDevice::mainlandMobileNumber(const EarphoneApi::UserInfo &user)
{
    return AccountFlow::mainlandMobileNumber(user);
}

void HeadphonesDevice::openLoginWindow(const QString &message, bool forgotPassword)
{
    m_account->openLoginWindow(message, forgotPassword);
}

void HeadphonesDevice::onNeedReLogin(const QString &message)
{
    m_account->onNeedReLogin(message);
}

void HeadphonesDevice::onSessionExpiredToast(const QString &message)
{
    m_account->onSessionExpired(message);
}

void HeadphonesDevice::onProfileSyncFromServerFailed(const QString &hint)
{
    m_account->onProfileSyncFailed(hint);
}

void HeadphonesDevice::onEditNicknameRequested()
{
    m_account->editNickname();
}

void HeadphonesDevice::onEditAvatarRequested()
{
    m_account->editAvatar();
}

void HeadphonesDevice::onModifyPasswordRequested()
{
    m_account->modifyPassword();
}

void HeadphonesDevice::onModifyEmailRequested()
{
    m_account->modifyEmail();
}

void HeadphonesDevice::onModifyPhoneRequested()
{
    m_account->modifyPhone();
}
