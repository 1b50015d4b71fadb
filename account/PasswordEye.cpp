#include "account/PasswordEye.h"

#include "account/AccountImages.h"

#include <QIcon>
#include <QLineEdit>
#include <QToolButton>

namespace PasswordEye {

QToolButton *createPasswordEyeButton(QWidget *wrapper)
{
    auto *eye = new QToolButton(wrapper);
    eye->setIcon(QIcon(AccountImages::passwordHidden()));
    eye->setIconSize(QSize(20, 20));
    eye->setFixedSize(24, 24);
    eye->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; padding: 0; }"
                                      "QToolButton::menu-indicator { image: none; }"));
    eye->setCursor(Qt::PointingHandCursor);
    eye->setFocusPolicy(Qt::NoFocus);
    return eye;
}

void togglePasswordVisibility(QLineEdit *edit, QToolButton *eye)
{
    if (!edit || !eye)
        return;
    if (edit->echoMode() != QLineEdit::Password) {
        hidePassword(edit, eye);
        return;
    }
    edit->setEchoMode(QLineEdit::Normal);
    eye->setIcon(QIcon(AccountImages::passwordShown()));
}

void hidePassword(QLineEdit *edit, QToolButton *eye)
{
    if (!edit || !eye)
        return;
    edit->setEchoMode(QLineEdit::Password);
    eye->setIcon(QIcon(AccountImages::passwordHidden()));
}

void clearPassword(QLineEdit *edit, QToolButton *eye)
{
    if (!edit)
        return;
    // clear() records the removal as an undoable edit; setText() drops the history.
    edit->setText(QString());
    hidePassword(edit, eye);
}

void placeInWrapper(QWidget *wrapper, QLineEdit *edit, QToolButton *eye, int rightInset)
{
    edit->setGeometry(wrapper->rect());
    eye->move(wrapper->width() - rightInset - eye->width(), (wrapper->height() - eye->height()) / 2);
    eye->raise();
}

} // namespace PasswordEye
