#include "account/widgetLoginMoudle.h"

#include "account/AccountInput.h"
#include "account/LoginAgreementRow.h"
#include "account/LoginPageKit.h"
#include "account/LoginPasswordFieldWrap.h"
#include "account/PasswordEye.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

widgetLoginMoudle::widgetLoginMoudle(QWidget *parent)
    : QWidget(parent),
      m_accountEdit(LoginPageKit::makeLineEdit(this)),
      m_type(this, m_accountEdit),
      m_passwordWrap(new LoginPasswordFieldWrap(this)),
      m_passwordEdit(m_passwordWrap->lineEdit()),
      m_passwordEye(m_passwordWrap->eyeButton()),
      m_noAccountLabel(LoginPageKit::makeHintLabel(this)),
      m_registerLink(LoginPageKit::makeLinkLabel(this)),
      m_forgotPasswordLink(LoginPageKit::makeLinkLabel(this)),
      m_loginButton(LoginPageKit::makeMainButton(this)),
      m_errorLabel(LoginPageKit::makeErrorLabel(this)),
      m_agreement(new LoginAgreementRow(this))
{
    buildUi();

    connect(m_type.group(), &QButtonGroup::buttonClicked, this, &widgetLoginMoudle::onLoginTypeChanged);
    connect(m_registerLink, &QLabel::linkActivated, this, [this] { emit onRegisterLink(m_type.type()); });
    connect(m_forgotPasswordLink, &QLabel::linkActivated, this, [this] { emit onForgotPasswordLink(m_type.type()); });
    connect(m_loginButton, &QPushButton::clicked, this, &widgetLoginMoudle::onLoginClicked);
    connect(m_passwordEye, &QToolButton::clicked, this,
            [this] { PasswordEye::togglePasswordVisibility(m_passwordEdit, m_passwordEye); });

    retranslateUi();
}

widgetLoginMoudle::~widgetLoginMoudle() = default;

void widgetLoginMoudle::buildUi()
{
    m_accountEdit->setObjectName(QStringLiteral("accountEdit"));
    m_passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    m_passwordEye->setObjectName(QStringLiteral("passwordEye"));
    m_registerLink->setObjectName(QStringLiteral("registerLink"));
    m_forgotPasswordLink->setObjectName(QStringLiteral("forgotPasswordLink"));
    m_loginButton->setObjectName(QStringLiteral("loginButton"));
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    m_agreement->setObjectName(QStringLiteral("agreementRow"));

    LoginPageKit::styleLineEdit(m_passwordEdit, true);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    page->addLayout(LoginPageKit::makeTypeRow(m_type.phoneRadio(), m_type.emailRadio()));
    page->addSpacing(40);

    auto *fields = new QVBoxLayout;
    fields->setContentsMargins(23, 0, 24, 0);
    fields->setSpacing(13);
    fields->addWidget(m_accountEdit);
    fields->addWidget(m_passwordWrap);
    page->addLayout(fields);
    page->addSpacing(6);

    auto *links = new QHBoxLayout;
    links->setContentsMargins(28, 0, 29, 0);
    links->setSpacing(0);
    links->addWidget(m_noAccountLabel);
    links->addWidget(m_registerLink);
    links->addStretch();
    links->addWidget(m_forgotPasswordLink);
    page->addLayout(links);
    page->addStretch();

    page->addLayout(LoginPageKit::makeBottomColumn(34, {m_errorLabel, m_loginButton, m_agreement}));
}

void widgetLoginMoudle::setLoginType(int type)
{
    m_type.setType(type);
}

void widgetLoginMoudle::onLoginTypeChanged(QAbstractButton *button)
{
    m_type.onButtonClicked(button);
}

void widgetLoginMoudle::reset()
{
    m_accountEdit->clear();
    PasswordEye::clearPassword(m_passwordEdit, m_passwordEye);
    showError(QString());
}

QString widgetLoginMoudle::errorText() const
{
    return m_errorLabel->text();
}

void widgetLoginMoudle::showError(const QString &message)
{
    LoginPageKit::showError(m_errorLabel, message);
}

void widgetLoginMoudle::setLoginError(const QString &msg)
{
    m_loginButton->setEnabled(true);
    m_loginButton->setText(tr("登录"));
    showError(msg);
}

void widgetLoginMoudle::onLoginClicked()
{
    showError(QString());
    if (!m_agreement->isAccepted()) {
        showError(tr("请阅读并同意《隐私政策》和《用户协议》"));
        return;
    }
    const QString account = m_accountEdit->text().trimmed();
    const QString password = m_passwordEdit->text().trimmed();
    const QString problem =
        LoginPageKit::accountProblemText(AccountInput::check(account, m_type.type() == 1), tr("账号不能为空"),
                                         tr("请输入正确的邮箱地址"), tr("请输入正确的手机号"));
    if (!problem.isEmpty()) {
        showError(problem);
        return;
    }
    if (password.isEmpty()) {
        showError(tr("密码不能为空"));
        return;
    }
    m_loginButton->setEnabled(false);
    m_loginButton->setText(tr("登录中…"));
    emit loginRequested(m_type.type(), account, password);
}

void widgetLoginMoudle::retranslateUi()
{
    m_type.retranslate(tr("手机号"), tr("邮箱"), tr("请输入手机号"), tr("请输入邮箱"));
    m_passwordEdit->setPlaceholderText(tr("请输入密码"));
    m_noAccountLabel->setText(tr("没有账号?"));
    m_registerLink->setText(tr("<a style='color: #E4E4E4; text-decoration: none' href =' '>去注册"));
    m_forgotPasswordLink->setText(tr("<a style='color: #E4E4E4; text-decoration: none' href =' '>忘记密码?"));
    // A request in flight keeps its "登录中…".
    if (m_loginButton->isEnabled())
        m_loginButton->setText(tr("登录"));
    m_agreement->retranslate();
}

void widgetLoginMoudle::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}
