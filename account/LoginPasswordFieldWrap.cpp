#include "account/LoginPasswordFieldWrap.h"

#include "account/PasswordEye.h"

#include <QLineEdit>
#include <QToolButton>

LoginPasswordFieldWrap::LoginPasswordFieldWrap(QWidget *parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_eye(PasswordEye::createPasswordEyeButton(this))
{
    setFixedHeight(48);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_edit->setEchoMode(QLineEdit::Password);
    PasswordEye::placeInWrapper(this, m_edit, m_eye, 20);
}

LoginPasswordFieldWrap::~LoginPasswordFieldWrap() = default;

void LoginPasswordFieldWrap::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PasswordEye::placeInWrapper(this, m_edit, m_eye, 20);
}
