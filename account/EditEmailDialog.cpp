#include "account/EditEmailDialog.h"

#include "account/AccountInput.h"

EditEmailDialog::EditEmailDialog(QWidget *parent) : VerificationCodeDialog(parent)
{
    setUpDialog({tr("修改邮箱"), tr("请输入新邮箱"), tr("请输入验证码"), tr("获取验证码"), tr("%1s"),
                 tr("确定")});
}

EditEmailDialog::~EditEmailDialog() = default;

QString EditEmailDialog::validValue() const
{
    const QString email = valueText().trimmed();
    return AccountInput::isValidEmail(email) ? email : QString();
}

void EditEmailDialog::emitSubmitted(const QString &value, const QString &code)
{
    emit modifyEmailSubmitted(value, code);
}
