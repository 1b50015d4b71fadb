#include "account/PasswordFieldWrap.h"

#include "account/AccountStyle.h"
#include "account/PasswordEye.h"

#include <QLineEdit>
#include <QToolButton>

PasswordFieldWrap::PasswordFieldWrap(const QString &placeholder, QWidget *parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_eye(PasswordEye::createPasswordEyeButton(this))
{
    setFixedSize(320, 50);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setPlaceholderText(placeholder);
    AccountStyle::styleDialogEdit(m_edit, 48);
    connect(m_eye, &QToolButton::clicked, this, [this] { PasswordEye::togglePasswordVisibility(m_edit, m_eye); });
    PasswordEye::placeInWrapper(this, m_edit, m_eye, 14);
}

PasswordFieldWrap::~PasswordFieldWrap() = default;

void PasswordFieldWrap::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PasswordEye::placeInWrapper(this, m_edit, m_eye, 14);
}
