#include "account/EditPhoneDialog.h"

#include "account/AccountInput.h"

EditPhoneDialog::EditPhoneDialog(QWidget *parent) : VerificationCodeDialog(parent)
{
    setUpDialog({tr("修改手机号"), tr("请输入新手机号"), tr("请输入验证码"), tr("获取验证码"), tr("%1s"),
                 tr("确定")});
}

EditPhoneDialog::~EditPhoneDialog() = default;

QString EditPhoneDialog::validValue() const
{
    const QString digits = AccountInput::phoneDigits(valueText().trimmed());
    return AccountInput::isValidPhoneDigits(digits) ? digits : QString();
}

void EditPhoneDialog::emitSubmitted(const QString &value, const QString &code)
{
    emit modifyPhoneSubmitted(value, code);
}
