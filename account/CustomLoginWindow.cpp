#include "account/CustomLoginWindow.h"

#include "account/AccountImages.h"
#include "account/LoginWindowPort.h"
#include "account/widgetForgotpassMoudle.h"
#include "account/widgetLoginMoudle.h"
#include "account/widgetRegisterMoudle.h"
#include "widgets/RoundedMask.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

CustomLoginWindow::CustomLoginWindow(QWidget *parent)
    : QDialog(parent),
      m_panel(new QFrame(this)),
      m_stack(new QStackedWidget(m_panel)),
      m_closeButton(new QToolButton(m_panel)),
      m_loginPage(new widgetLoginMoudle(m_stack)),
      m_registerPage(new widgetRegisterMoudle(m_stack)),
      m_forgotPage(new widgetForgotpassMoudle(m_stack)),
      m_loginPort(new LoginWindowPort(this))
{
    setUpdatesEnabled(false);
    buildUi();
    connectPages();
    showPage(LoginPage);
    setUpdatesEnabled(true);
}

// The port goes first, so the session's guarded pointer reads null before
// any part of the window is torn down.
CustomLoginWindow::~CustomLoginWindow()
{
    delete m_loginPort;
}

LoginWindowInterface *CustomLoginWindow::loginPort() const
{
    return m_loginPort;
}

void CustomLoginWindow::buildUi()
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(384, 492);
    setStyleSheet(QStringLiteral("CustomLoginWindow { background: transparent; }"));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(m_panel, 1);

    m_panel->setObjectName(QStringLiteral("CustomLoginContentPanel"));
    m_panel->setStyleSheet(QStringLiteral(
        "QFrame#CustomLoginContentPanel { background-color: #000000; border-radius: 6.67px; }"
        " QFrame#CustomLoginContentPanel > QStackedWidget { background: transparent; }"));
    auto *panelLayout = new QVBoxLayout(m_panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    panelLayout->addWidget(m_stack, 1);
    m_stack->addWidget(m_loginPage);
    m_stack->addWidget(m_registerPage);
    m_stack->addWidget(m_forgotPage);

    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    const QPixmap closeImage(AccountImages::close());
    const QSize closeSize = closeImage.isNull() ? QSize(22, 22) : closeImage.size();
    m_closeButton->setIcon(QIcon(closeImage));
    m_closeButton->setIconSize(closeSize);
    m_closeButton->setFixedSize(closeSize);
    m_closeButton->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; padding: 0; }"
                                                "QToolButton::menu-indicator { image: none; }"));
    m_closeButton->setCursor(Qt::PointingHandCursor);
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    m_closeButton->raise();
    m_panel->installEventFilter(this);
}

void CustomLoginWindow::connectPages()
{
    connect(m_loginPage, &widgetLoginMoudle::loginRequested, this, &CustomLoginWindow::loginRequested);
    connect(m_registerPage, &widgetRegisterMoudle::registerRequested, this, &CustomLoginWindow::registerRequested);
    connect(m_registerPage, &widgetRegisterMoudle::getVerifyCodeRequested, this,
            [this](const QString &userName, const QString &areaCode) {
                emit getVerifyCodeRequested(userName, 1, areaCode);
            });
    connect(m_forgotPage, &widgetForgotpassMoudle::forgetPasswordRequested, this,
            &CustomLoginWindow::forgetPasswordRequested);
    connect(m_forgotPage, &widgetForgotpassMoudle::getVerifyCodeRequested, this,
            [this](const QString &userName) { emit getVerifyCodeRequested(userName, 2, QString()); });
    connect(m_loginPage, &widgetLoginMoudle::onRegisterLink, this, &CustomLoginWindow::onRegisterLink);
    connect(m_loginPage, &widgetLoginMoudle::onForgotPasswordLink, this, &CustomLoginWindow::onForgotPasswordLink);
    connect(m_registerPage, &widgetRegisterMoudle::onLoginLink, this, &CustomLoginWindow::onLoginLink);
    connect(m_closeButton, &QToolButton::clicked, this, &CustomLoginWindow::reject);
}

int CustomLoginWindow::currentIndex() const
{
    return m_stack->currentIndex();
}

void CustomLoginWindow::showPage(int index)
{
    m_stack->setCurrentIndex(index);
    // Enter presses the shown page's main button.
    m_loginPage->loginButton()->setDefault(index == LoginPage);
    m_registerPage->registerButton()->setDefault(index == RegisterPage);
    m_forgotPage->confirmButton()->setDefault(index == ForgotPasswordPage);
}

void CustomLoginWindow::onRegisterLink(int type)
{
    m_loginPage->reset();
    m_forgotPage->stopGetCodeCountdown();
    m_registerPage->setRegisterType(type);
    showPage(RegisterPage);
}

void CustomLoginWindow::onForgotPasswordLink(int)
{
    m_loginPage->reset();
    m_registerPage->stopGetCodeCountdown();
    m_loginPage->setLoginType(m_loginPage->loginType());
    showPage(ForgotPasswordPage);
}

void CustomLoginWindow::onLoginLink(int type)
{
    m_registerPage->reset();
    m_registerPage->stopGetCodeCountdown();
    m_forgotPage->stopGetCodeCountdown();
    m_loginPage->setLoginType(type);
    showPage(LoginPage);
}

void CustomLoginWindow::switchToLoginPage()
{
    m_forgotPage->reset();
    m_forgotPage->setForgetPasswordError(QString());
    m_registerPage->stopGetCodeCountdown();
    m_forgotPage->stopGetCodeCountdown();
    showPage(LoginPage);
}

void CustomLoginWindow::switchToForgotPasswordPage()
{
    m_loginPage->setLoginError(QString());
    m_registerPage->setRegisterError(QString());
    m_registerPage->stopGetCodeCountdown();
    m_forgotPage->reset();
    m_forgotPage->setForgetPasswordError(QString());
    m_forgotPage->stopGetCodeCountdown();
    showPage(ForgotPasswordPage);
}

void CustomLoginWindow::setLoginError(const QString &msg)
{
    m_loginPage->setLoginError(msg);
}

void CustomLoginWindow::setRegisterError(const QString &msg)
{
    m_registerPage->setRegisterError(msg);
}

void CustomLoginWindow::setForgetPasswordError(const QString &msg)
{
    m_forgotPage->setForgetPasswordError(msg);
}

void CustomLoginWindow::onVerifyCodeSendSuccess(int vcodeType)
{
    if (vcodeType == 1)
        m_registerPage->startGetCodeCountdown();
    else if (vcodeType == 2)
        m_forgotPage->startGetCodeCountdown();
}

QString CustomLoginWindow::loginError() const
{
    return m_loginPage->errorText();
}

QString CustomLoginWindow::registerError() const
{
    return m_registerPage->errorText();
}

QString CustomLoginWindow::forgetPasswordError() const
{
    return m_forgotPage->errorText();
}

int CustomLoginWindow::registerCountdown() const
{
    return m_registerPage->secondsLeft();
}

int CustomLoginWindow::forgetPasswordCountdown() const
{
    return m_forgotPage->secondsLeft();
}

void CustomLoginWindow::retranslateUi()
{
    m_loginPage->retranslateUi();
    m_registerPage->retranslateUi();
    m_forgotPage->retranslateUi();
}

void CustomLoginWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        reject();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CustomLoginWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    applyRoundedMask(this);
    placeCloseButton();
}

void CustomLoginWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QWidget *host = parentWidget()) {
        const QPoint centre = host->mapToGlobal(host->rect().center());
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
}

void CustomLoginWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

bool CustomLoginWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panel && event->type() == QEvent::Resize)
        placeCloseButton();
    return QDialog::eventFilter(watched, event);
}

void CustomLoginWindow::placeCloseButton()
{
    m_closeButton->move(m_panel->width() - m_closeButton->width() - 12, 12);
    m_closeButton->raise();
}
