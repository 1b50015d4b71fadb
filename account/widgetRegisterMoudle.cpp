#include "account/widgetRegisterMoudle.h"

#include "account/AccountInput.h"
#include "account/LoginAgreementRow.h"
#include "account/LoginPageKit.h"
#include "account/LoginPasswordFieldWrap.h"
#include "account/PasswordEye.h"
#include "account/PasswordPolicy.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

widgetRegisterMoudle::widgetRegisterMoudle(QWidget *parent)
    : QWidget(parent),
      m_accountEdit(LoginPageKit::makeLineEdit(this)),
      m_type(this, m_accountEdit),
      m_passwordWrap(new LoginPasswordFieldWrap(this)),
      m_confirmWrap(new LoginPasswordFieldWrap(this)),
      m_passwordEdit(m_passwordWrap->lineEdit()),
      m_confirmEdit(m_confirmWrap->lineEdit()),
      m_passwordEye(m_passwordWrap->eyeButton()),
      m_confirmEye(m_confirmWrap->eyeButton()),
      m_codeEdit(LoginPageKit::makeLineEdit(this)),
      m_getCodeButton(LoginPageKit::makeCodeButton(this)),
      m_haveAccountLabel(LoginPageKit::makeHintLabel(this)),
      m_loginLink(LoginPageKit::makeLinkLabel(this)),
      m_registerButton(LoginPageKit::makeMainButton(this)),
      m_errorLabel(LoginPageKit::makeErrorLabel(this)),
      m_agreement(new LoginAgreementRow(this)),
      m_countdown(this)
{
    buildUi();

    connect(m_type.group(), &QButtonGroup::buttonClicked, this, &widgetRegisterMoudle::onRegisterTypeChanged);
    connect(m_loginLink, &QLabel::linkActivated, this, [this] { emit onLoginLink(m_type.type()); });
    connect(m_registerButton, &QPushButton::clicked, this, &widgetRegisterMoudle::onRegisterClicked);
    connect(m_getCodeButton, &QPushButton::clicked, this, &widgetRegisterMoudle::onGetVerificationCode);
    connect(m_countdown.timer(), &QTimer::timeout, this, &widgetRegisterMoudle::onVerifyCodeCountdown);
    connect(m_passwordEye, &QToolButton::clicked, this,
            [this] { PasswordEye::togglePasswordVisibility(m_passwordEdit, m_passwordEye); });
    connect(m_confirmEye, &QToolButton::clicked, this,
            [this] { PasswordEye::togglePasswordVisibility(m_confirmEdit, m_confirmEye); });

    retranslateUi();
}

widgetRegisterMoudle::~widgetRegisterMoudle() = default;

void widgetRegisterMoudle::buildUi()
{
    m_accountEdit->setObjectName(QStringLiteral("accountEdit"));
    m_passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    m_confirmEdit->setObjectName(QStringLiteral("confirmEdit"));
    m_passwordEye->setObjectName(QStringLiteral("passwordEye"));
    m_confirmEye->setObjectName(QStringLiteral("confirmEye"));
    m_codeEdit->setObjectName(QStringLiteral("codeEdit"));
    m_getCodeButton->setObjectName(QStringLiteral("getCodeButton"));
    m_loginLink->setObjectName(QStringLiteral("loginLink"));
    m_registerButton->setObjectName(QStringLiteral("registerButton"));
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    m_agreement->setObjectName(QStringLiteral("agreementRow"));

    LoginPageKit::styleLineEdit(m_passwordEdit, true);
    LoginPageKit::styleLineEdit(m_confirmEdit, true);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    page->addLayout(LoginPageKit::makeTypeRow(m_type.phoneRadio(), m_type.emailRadio()));
    page->addSpacing(40);

    auto *codeRow = new QHBoxLayout;
    codeRow->setContentsMargins(0, 0, 0, 0);
    codeRow->setSpacing(3);
    codeRow->addWidget(m_codeEdit);
    codeRow->addWidget(m_getCodeButton);

    auto *fields = new QVBoxLayout;
    fields->setContentsMargins(23, 0, 23, 0);
    fields->setSpacing(13);
    fields->addWidget(m_accountEdit);
    fields->addLayout(codeRow);
    fields->addWidget(m_passwordWrap);
    fields->addWidget(m_confirmWrap);
    page->addLayout(fields);
    page->addSpacing(5);

    auto *links = new QHBoxLayout;
    links->setContentsMargins(28, 0, 0, 0);
    links->setSpacing(0);
    links->addWidget(m_haveAccountLabel);
    links->addWidget(m_loginLink);
    links->addStretch();
    page->addLayout(links);
    page->addStretch();

    page->addLayout(LoginPageKit::makeBottomColumn(25, {m_errorLabel, m_registerButton, m_agreement}));
}

void widgetRegisterMoudle::setRegisterType(int type)
{
    m_type.setType(type);
}

void widgetRegisterMoudle::onRegisterTypeChanged(QAbstractButton *button)
{
    m_type.onButtonClicked(button);
}

void widgetRegisterMoudle::reset()
{
    m_accountEdit->clear();
    PasswordEye::clearPassword(m_passwordEdit, m_passwordEye);
    PasswordEye::clearPassword(m_confirmEdit, m_confirmEye);
    m_codeEdit->clear();
    showError(QString());
}

QString widgetRegisterMoudle::errorText() const
{
    return m_errorLabel->text();
}

void widgetRegisterMoudle::showError(const QString &message)
{
    LoginPageKit::showError(m_errorLabel, message);
}

void widgetRegisterMoudle::setRegisterError(const QString &msg)
{
    m_registerButton->setEnabled(true);
    showError(msg);
}

bool widgetRegisterMoudle::showAccountProblem(const QString &account)
{
    const QString problem =
        LoginPageKit::accountProblemText(AccountInput::check(account, m_type.type() == 1), tr("账号不能为空"),
                                         tr("请输入正确的邮箱地址"), tr("请输入正确的手机号"));
    if (problem.isEmpty())
        return false;
    showError(problem);
    return true;
}

void widgetRegisterMoudle::onGetVerificationCode()
{
    showError(QString());
    const QString account = m_accountEdit->text().trimmed();
    if (showAccountProblem(account))
        return;
    const QString areaCode = m_type.type() == 0 ? QStringLiteral("86") : QString();
    emit getVerifyCodeRequested(account, areaCode);
    m_codeEdit->setFocus();
}

void widgetRegisterMoudle::onRegisterClicked()
{
    showError(QString());
    if (!m_agreement->isAccepted()) {
        showError(tr("请阅读并同意《隐私政策》和《用户协议》"));
        return;
    }
    const QString account = m_accountEdit->text().trimmed();
    const QString password = m_passwordEdit->text().trimmed();
    const QString confirmation = m_confirmEdit->text().trimmed();
    const QString code = m_codeEdit->text().trimmed();
    if (showAccountProblem(account))
        return;
    if (code.isEmpty()) {
        showError(tr("验证码不能为空"));
        return;
    }
    if (password.isEmpty()) {
        showError(tr("密码不能为空"));
        return;
    }
    if (confirmation.isEmpty()) {
        showError(tr("再次确认密码不能为空"));
        return;
    }
    if (password != confirmation) {
        showError(tr("两次输入的密码不一致"));
        return;
    }
    if (!PasswordPolicy::accepts(password)) {
        showError(PasswordPolicy::message());
        return;
    }
    m_registerButton->setEnabled(false);
    emit registerRequested(account, code, password);
}

void widgetRegisterMoudle::startGetCodeCountdown()
{
    m_getCodeButton->setEnabled(false);
    m_countdown.start();
    refreshCodeButtonText();
}

void widgetRegisterMoudle::onVerifyCodeCountdown()
{
    if (!m_countdown.tick())
        m_getCodeButton->setEnabled(true);
    refreshCodeButtonText();
}

void widgetRegisterMoudle::stopGetCodeCountdown()
{
    if (!m_countdown.isRunning())
        return;
    m_countdown.stop();
    m_getCodeButton->setEnabled(true);
    refreshCodeButtonText();
}

void widgetRegisterMoudle::refreshCodeButtonText()
{
    m_getCodeButton->setText(m_countdown.buttonText(tr("%1s"), tr("获取验证码")));
}

void widgetRegisterMoudle::retranslateUi()
{
    m_type.retranslate(tr("手机号"), tr("邮箱"), tr("请输入手机号"), tr("请输入邮箱"));
    m_codeEdit->setPlaceholderText(tr("请输入验证码"));
    m_passwordEdit->setPlaceholderText(tr("请输入密码"));
    m_confirmEdit->setPlaceholderText(tr("请再次输入密码"));
    m_haveAccountLabel->setText(tr("已有账号?"));
    m_loginLink->setText(tr("<a style='color: #E8E8E8; text-decoration: none' href =' '>去登录"));
    if (m_registerButton->isEnabled())
        m_registerButton->setText(tr("注册"));
    m_agreement->retranslate();
    refreshCodeButtonText();
}

void widgetRegisterMoudle::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}
