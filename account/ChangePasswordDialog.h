#pragma once

#include "account/AccountEditDialog.h"

class CustomClickableLabel;
class PasswordFieldWrap;
class QLineEdit;

// Changes the password of the signed-in account: the current password and a
// new one that meets the password rule. "忘记密码?" closes the dialog and
// leaves a flag, so the main window can open the password reset instead.
class ChangePasswordDialog : public AccountEditDialog
{
    Q_OBJECT
public:
    explicit ChangePasswordDialog(QWidget *parent = nullptr);
    ~ChangePasswordDialog() override;

    // Set by "忘记密码?"; read after exec() returns.
    bool isForgotPasswordRequested() const { return m_forgotPasswordRequested; }

public slots:
    void reject() override;

signals:
    // Both passwords as typed, blanks included.
    void modifyPasswordSubmitted(const QString &oldPassword, const QString &newPassword);

protected:
    void updateConfirmButton() override;
    void onConfirmClicked() override;

private:
    void onForgotPasswordClicked();

    PasswordFieldWrap *m_oldPasswordWrap;
    PasswordFieldWrap *m_newPasswordWrap;
    QLineEdit *m_newPasswordEdit;
    QLineEdit *m_oldPasswordEdit;
    CustomClickableLabel *m_forgotPasswordLabel;
    bool m_forgotPasswordRequested = false;
};
