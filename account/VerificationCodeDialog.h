#pragma once

#include "account/AccountEditDialog.h"
#include "account/VerifyCodeCountdown.h"

class QLineEdit;
class QPushButton;

// A dialog that changes an account address (e-mail or phone) confirmed by a
// verification code: the new value, the code and its "获取验证码" button with
// the 60-second wait. Subclasses say what a valid value is and which signal
// carries the change.
class VerificationCodeDialog : public AccountEditDialog
{
    Q_OBJECT
public:
    ~VerificationCodeDialog() override;

    int secondsLeft() const { return m_countdown.secondsLeft(); }

public slots:
    // The server sent the code: the button waits 60 seconds (again).
    void onSendCodeSucceeded();
    // No code was sent: the button is free again. The message is shown by
    // the caller through setErrorText.
    void onSendCodeFailed(int errorCode, const QString &message);
    void reject() override;

signals:
    // The value as the change will carry it (trimmed e-mail, bare phone digits).
    void sendVerificationRequested(const QString &value);

protected:
    // The texts of one kind of dialog, translated by the subclass.
    struct Texts
    {
        QString title;
        QString valuePlaceholder;
        QString codePlaceholder;
        QString getCode;
        QString seconds; // "%1s"
        QString confirm;
    };

    explicit VerificationCodeDialog(QWidget *parent);
    // Builds the fields and wires them; call once from the subclass constructor.
    void setUpDialog(const Texts &texts);

    QString valueText() const;
    // The value to send, or an empty text when the input is not valid.
    virtual QString validValue() const = 0;
    virtual void emitSubmitted(const QString &value, const QString &code) = 0;

    void updateConfirmButton() override;
    void onConfirmClicked() override;

private:
    void onGetCodeClicked();
    void onCountdownTick();
    void stopCountdown();
    void updateCodeButton();
    QString code() const;

    QLineEdit *m_valueEdit;
    QLineEdit *m_codeEdit;
    QPushButton *m_getCodeButton;
    VerifyCodeCountdown m_countdown;
    Texts m_texts;
};
