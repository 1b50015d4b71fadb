#pragma once

#include "account/VerificationCodeDialog.h"

// Changes the e-mail address of the signed-in account.
class EditEmailDialog : public VerificationCodeDialog
{
    Q_OBJECT
public:
    explicit EditEmailDialog(QWidget *parent = nullptr);
    ~EditEmailDialog() override;

signals:
    // The trimmed address and the trimmed code.
    void modifyEmailSubmitted(const QString &email, const QString &verificationCode);

protected:
    QString validValue() const override;
    void emitSubmitted(const QString &value, const QString &code) override;
};
