#pragma once

#include "cloud/UserInfo.h"

#include <QObject>
#include <QPointer>

#include <functional>

class CustomLoginWindow;
class CustomTitleBar;
class CustomUserProfilePage;
class LoginController;
class QDialog;
class QWidget;
class VerificationCodeDialog;

// The signed-in user on the main window: the title bar's login display, the
// login window, the profile page with its five edits (nickname, avatar,
// password, e-mail, phone number) and the session messages of the login
// controller. Toasts and page changes are the window's: asked for by signal.
class AccountFlow : public QObject
{
    Q_OBJECT
public:
    // `window` parents the dialogs and this object; `controller` may be null (then nothing happens).
    AccountFlow(LoginController *controller, QWidget *window);
    ~AccountFlow() override;

    void setTitleBar(CustomTitleBar *titleBar);
    void setProfilePage(CustomUserProfilePage *page);
    // Runs a dialog modal over the window and returns its result; plain exec without one.
    void setDialogRunner(std::function<int(QDialog *)> runner);

    CustomLoginWindow *loginWindow() const;
    bool isSignedIn() const;

    void showLoginSucceeded(const QString &iconUrl, const QString &nickName);
    void restoreLoginDisplay();
    void showLoggedOut();
    // The title bar's login text again, in the current language.
    void refreshLoginText();
    void populateProfilePage();
    void openLoginWindow(const QString &message, bool forgotPassword);
    // Quitting: a login window still up is rejected and forgotten.
    void closeLoginWindow();

    void onNeedReLogin(const QString &message);
    void onSessionExpired(const QString &message);
    void onProfileSyncFailed(const QString &hint);

    void editNickname();
    void editAvatar();
    void modifyPassword();
    void modifyEmail();
    void modifyPhone();

    // 0 unknown, 1 phone account, 2 e-mail account.
    static int accountKind(const EarphoneApi::UserInfo &user);
    // The 11-digit mainland mobile number of the user name, or empty.
    static QString mainlandMobileNumber(const EarphoneApi::UserInfo &user);

signals:
    void toastRequested(const QString &text, bool failure);
    void failureToastRequested(const QString &text, int durationMs);
    void infoToastRequested(const QString &text, int durationMs);

private:
    void showUserOnTitleBar(const QString &nickName, const QString &iconUrl);
    void fillProfilePage(const EarphoneApi::UserInfo &user);
    // The user's record asked anew from the server; the login controller stores the answer.
    void refreshUserRecord();
    // Centred on the window, through the dialog runner.
    int runProfileDialog(QDialog *dialog);
    static QString apiErrorText(int errorCode);
    // The e-mail and phone changes: one run with the dialog's own submit signal; `areaCode` goes with
    // the verification code request.
    template <typename Dialog>
    void runAccountChange(void (Dialog::*submitted)(const QString &, const QString &), const QString &areaCode,
                          const QString &changedText);
    void runAccountChangeDialog(VerificationCodeDialog &dialog, const QString &areaCode);
    void submitAccountChange(VerificationCodeDialog &dialog, const QString &value, const QString &code,
                             const QString &changedText);

    LoginController *m_controller;
    QWidget *m_window;
    QPointer<CustomTitleBar> m_titleBar;
    QPointer<CustomUserProfilePage> m_profilePage;
    std::function<int(QDialog *)> m_runDialog;
    QPointer<CustomLoginWindow> m_loginWindow;
};
