#include "account/widgetForgotpassMoudle.h"

#include "account/AccountInput.h"
#include "account/AccountStyle.h"
#include "account/LoginPageKit.h"
#include "account/LoginPasswordFieldWrap.h"
#include "account/PasswordEye.h"
#include "account/PasswordPolicy.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

widgetForgotpassMoudle::widgetForgotpassMoudle(QWidget *parent)
    : QWidget(parent),
      m_accountEdit(LoginPageKit::makeLineEdit(this)),
      m_codeEdit(LoginPageKit::makeLineEdit(this)),
      m_getCodeButton(LoginPageKit::makeCodeButton(this)),
      m_newPasswordWrap(new LoginPasswordFieldWrap(this)),
      m_confirmWrap(new LoginPasswordFieldWrap(this)),
      m_newPasswordEdit(m_newPasswordWrap->lineEdit()),
      m_confirmEdit(m_confirmWrap->lineEdit()),
      m_newPasswordEye(m_newPasswordWrap->eyeButton()),
      m_confirmEye(m_confirmWrap->eyeButton()),
      m_confirmButton(LoginPageKit::makeMainButton(this)),
      m_titleLabel(new QLabel(this)),
      m_errorLabel(LoginPageKit::makeErrorLabel(this)),
      m_countdown(this)
{
    buildUi();

    connect(m_confirmButton, &QPushButton::clicked, this, &widgetForgotpassMoudle::onConfirmClicked);
    connect(m_getCodeButton, &QPushButton::clicked, this, &widgetForgotpassMoudle::onGetCodeClicked);
    connect(m_countdown.timer(), &QTimer::timeout, this, &widgetForgotpassMoudle::onVerifyCodeCountdown);
    connect(m_newPasswordEye, &QToolButton::clicked, this,
            [this] { PasswordEye::togglePasswordVisibility(m_newPasswordEdit, m_newPasswordEye); });
    connect(m_confirmEye, &QToolButton::clicked, this,
            [this] { PasswordEye::togglePasswordVisibility(m_confirmEdit, m_confirmEye); });

    retranslateUi();
    // The first title has no question mark; a language change adds it.
    m_titleLabel->setText(tr("忘记密码"));
}

widgetForgotpassMoudle::~widgetForgotpassMoudle() = default;

void widgetForgotpassMoudle::buildUi()
{
    m_accountEdit->setObjectName(QStringLiteral("accountEdit"));
    m_codeEdit->setObjectName(QStringLiteral("codeEdit"));
    m_getCodeButton->setObjectName(QStringLiteral("getCodeButton"));
    m_newPasswordEdit->setObjectName(QStringLiteral("newPasswordEdit"));
    m_confirmEdit->setObjectName(QStringLiteral("confirmEdit"));
    m_newPasswordEye->setObjectName(QStringLiteral("newPasswordEye"));
    m_confirmEye->setObjectName(QStringLiteral("confirmEye"));
    m_confirmButton->setObjectName(QStringLiteral("confirmButton"));
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));

    m_codeEdit->setEchoMode(QLineEdit::Normal);
    LoginPageKit::styleLineEdit(m_newPasswordEdit, true);
    LoginPageKit::styleLineEdit(m_confirmEdit, true);
    m_titleLabel->setStyleSheet(QStringLiteral("QLabel { color: #FFFFFF; font-family: %1; font-size: 16px;"
                                               " font-weight: 400; }")
                                    .arg(AccountStyle::fontFamilies()));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    // At least 125 px; a longer translation widens it instead of being cut.
    m_titleLabel->setMinimumWidth(125);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    auto *title = new QHBoxLayout;
    title->setContentsMargins(0, 27, 0, 0);
    title->addStretch();
    title->addWidget(m_titleLabel);
    title->addStretch();
    page->addLayout(title);
    page->addSpacing(40);

    auto *account = new QVBoxLayout;
    account->setContentsMargins(23, 0, 23, 0);
    account->addWidget(m_accountEdit);
    page->addLayout(account);
    page->addSpacing(13);

    auto *codeRow = new QHBoxLayout;
    codeRow->setContentsMargins(23, 0, 23, 0);
    codeRow->setSpacing(3);
    codeRow->addWidget(m_codeEdit);
    codeRow->addWidget(m_getCodeButton);
    page->addLayout(codeRow);
    page->addSpacing(13);

    auto *passwords = new QVBoxLayout;
    passwords->setContentsMargins(23, 0, 23, 0);
    passwords->setSpacing(13);
    passwords->addWidget(m_newPasswordWrap);
    passwords->addWidget(m_confirmWrap);
    page->addLayout(passwords);
    page->addStretch();

    page->addLayout(LoginPageKit::makeBottomColumn(34, {m_errorLabel, m_confirmButton}));
}

void widgetForgotpassMoudle::reset()
{
    m_accountEdit->clear();
    m_codeEdit->clear();
    PasswordEye::clearPassword(m_newPasswordEdit, m_newPasswordEye);
    PasswordEye::clearPassword(m_confirmEdit, m_confirmEye);
    showError(QString());
    m_confirmButton->setEnabled(true);
}

QString widgetForgotpassMoudle::errorText() const
{
    return m_errorLabel->text();
}

void widgetForgotpassMoudle::showError(const QString &message)
{
    LoginPageKit::showError(m_errorLabel, message);
}

void widgetForgotpassMoudle::setForgetPasswordError(const QString &msg)
{
    m_confirmButton->setEnabled(true);
    showError(msg);
}

void widgetForgotpassMoudle::onGetCodeClicked()
{
    const QString account = m_accountEdit->text().trimmed();
    const QString problem = LoginPageKit::accountProblemText(
        AccountInput::check(account, account.contains(QLatin1Char('@'))), tr("账号不能为空"),
        tr("请输入正确的邮箱地址"), tr("请输入正确的手机号"));
    if (!problem.isEmpty()) {
        showError(problem);
        return;
    }
    setForgetPasswordError(QString());
    emit getVerifyCodeRequested(account);
    m_codeEdit->setFocus();
}

void widgetForgotpassMoudle::onConfirmClicked()
{
    const QString account = m_accountEdit->text().trimmed();
    const QString code = m_codeEdit->text().trimmed();
    const QString newPassword = m_newPasswordEdit->text().trimmed();
    const QString confirmation = m_confirmEdit->text().trimmed();
    QString problem;
    if (account.isEmpty())
        problem = tr("账号不能为空");
    else if (code.isEmpty())
        problem = tr("验证码不能为空");
    else if (newPassword.isEmpty())
        problem = tr("密码不能为空");
    else if (confirmation.isEmpty())
        problem = tr("再次确认密码不能为空");
    else if (newPassword != confirmation)
        problem = tr("两次输入的密码不一致");
    else if (!PasswordPolicy::accepts(newPassword))
        problem = PasswordPolicy::message();
    if (!problem.isEmpty()) {
        showError(problem);
        return;
    }
    showError(QString());
    m_confirmButton->setEnabled(false);
    emit forgetPasswordRequested(account, code, newPassword, confirmation);
}

void widgetForgotpassMoudle::startGetCodeCountdown()
{
    m_getCodeButton->setEnabled(false);
    m_countdown.start();
    refreshCodeButtonText();
}

void widgetForgotpassMoudle::onVerifyCodeCountdown()
{
    if (!m_countdown.tick())
        m_getCodeButton->setEnabled(true);
    refreshCodeButtonText();
}

void widgetForgotpassMoudle::stopGetCodeCountdown()
{
    if (!m_countdown.isRunning())
        return;
    m_countdown.stop();
    m_getCodeButton->setEnabled(true);
    refreshCodeButtonText();
}

void widgetForgotpassMoudle::refreshCodeButtonText()
{
    m_getCodeButton->setText(m_countdown.buttonText(tr("%1s"), tr("获取验证码")));
}

void widgetForgotpassMoudle::retranslateUi()
{
    m_titleLabel->setText(tr("忘记密码？"));
    m_accountEdit->setPlaceholderText(tr("请输入手机号或邮箱"));
    m_codeEdit->setPlaceholderText(tr("请输入验证码"));
    m_newPasswordEdit->setPlaceholderText(tr("请输入密码"));
    m_confirmEdit->setPlaceholderText(tr("请再次输入密码"));
    if (m_confirmButton->isEnabled())
        m_confirmButton->setText(tr("确认"));
    refreshCodeButtonText();
}

void widgetForgotpassMoudle::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}
