#pragma once

#include "account/VerificationCodeDialog.h"

// Changes the phone number of the signed-in account. The number goes out as
// its 11 bare digits, whatever blanks, dashes or "+86" were typed around it.
class EditPhoneDialog : public VerificationCodeDialog
{
    Q_OBJECT
public:
    explicit EditPhoneDialog(QWidget *parent = nullptr);
    ~EditPhoneDialog() override;

signals:
    void modifyPhoneSubmitted(const QString &phoneDigits, const QString &verificationCode);

protected:
    QString validValue() const override;
    void emitSubmitted(const QString &value, const QString &code) override;
};
