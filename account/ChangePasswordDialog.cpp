#include "account/ChangePasswordDialog.h"

#include "account/AccountStyle.h"
#include "account/PasswordFieldWrap.h"
#include "account/PasswordPolicy.h"
#include "widgets/CustomClickableLabel.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ChangePasswordDialog::ChangePasswordDialog(QWidget *parent)
    : AccountEditDialog(parent),
      m_oldPasswordWrap(new PasswordFieldWrap(tr("请输入旧密码"), this)),
      m_newPasswordWrap(new PasswordFieldWrap(tr("请输入新密码"), this)),
      m_newPasswordEdit(m_newPasswordWrap->lineEdit()),
      m_oldPasswordEdit(m_oldPasswordWrap->lineEdit()),
      m_forgotPasswordLabel(new CustomClickableLabel(this, true))
{
    m_oldPasswordEdit->setObjectName(QStringLiteral("oldPasswordEdit"));
    m_newPasswordEdit->setObjectName(QStringLiteral("newPasswordEdit"));
    m_forgotPasswordLabel->setObjectName(QStringLiteral("forgotPasswordLabel"));

    auto *fields = new QVBoxLayout;
    fields->setContentsMargins(0, 0, 0, 0);
    fields->setSpacing(12);
    fields->addWidget(m_oldPasswordWrap);
    fields->addWidget(m_newPasswordWrap);

    m_forgotPasswordLabel->setText(tr("忘记密码?"));
    m_forgotPasswordLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_forgotPasswordLabel->setFixedHeight(13);
    m_forgotPasswordLabel->setStyleSheet(
        QStringLiteral("color: #FFFFFF; font-family: %1; font-weight: 400; font-size:11px; line-height: 13px;")
            .arg(AccountStyle::fontFamilies()));

    buildFrame(tr("修改密码"), tr("确定"), fields, m_forgotPasswordLabel);

    connect(m_forgotPasswordLabel, &CustomClickableLabel::clicked, this,
            &ChangePasswordDialog::onForgotPasswordClicked);
    for (QLineEdit *edit : {m_oldPasswordEdit, m_newPasswordEdit}) {
        connect(edit, &QLineEdit::textChanged, this, [this] {
            updateConfirmButton();
            clearError();
        });
    }
    updateConfirmButton();
}

ChangePasswordDialog::~ChangePasswordDialog() = default;

void ChangePasswordDialog::updateConfirmButton()
{
    confirmButton()->setEnabled(!m_oldPasswordEdit->text().isEmpty() && !m_newPasswordEdit->text().isEmpty() &&
                                !isSubmitting());
}

void ChangePasswordDialog::onConfirmClicked()
{
    if (isSubmitting())
        return;
    clearError();
    const QString oldPassword = m_oldPasswordEdit->text();
    const QString newPassword = m_newPasswordEdit->text();
    if (oldPassword.isEmpty() || newPassword.isEmpty())
        return;
    if (!PasswordPolicy::accepts(newPassword)) {
        setErrorText(PasswordPolicy::message());
        return;
    }
    emit modifyPasswordSubmitted(oldPassword, newPassword);
}

void ChangePasswordDialog::onForgotPasswordClicked()
{
    m_forgotPasswordRequested = true;
    reject();
}

void ChangePasswordDialog::reject()
{
    resetFrameState();
    QDialog::reject();
}
