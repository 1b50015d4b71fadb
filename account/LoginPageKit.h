#pragma once

#include "account/AccountInput.h"

#include <QList>
#include <QString>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;
class QWidget;

// The controls of the login window's pages, built in their look.
namespace LoginPageKit {

// An account or code edit (48 px high); `password` leaves room for the eye.
void styleLineEdit(QLineEdit *edit, bool password);
QLineEdit *makeLineEdit(QWidget *parent);

// The page's main button (240 x 39).
QPushButton *makeMainButton(QWidget *parent);
// A "获取验证码" button (100 x 48).
QPushButton *makeCodeButton(QWidget *parent);
QRadioButton *makeTypeRadio(QWidget *parent);
// Centred, wrapped red text, hidden while empty.
QLabel *makeErrorLabel(QWidget *parent);
// The grey "没有账号?" style.
QLabel *makeHintLabel(QWidget *parent);
// A label whose link only signals (the page switch), never opens anything.
QLabel *makeLinkLabel(QWidget *parent);

// Shows `message` on an error label, or hides and clears it when empty.
void showError(QLabel *label, const QString &message);

// The phone and e-mail radios 40 px apart, 23 px from the left, 40 px below the top.
QHBoxLayout *makeTypeRow(QRadioButton *phone, QRadioButton *email);
// The bottom of a page: `widgets` centred, 10 px apart, 23 px from the sides.
QVBoxLayout *makeBottomColumn(int bottomMargin, const QList<QWidget *> &widgets);

// The page's message for a problem of the account check (empty for none);
// the three texts are translated by the page.
QString accountProblemText(AccountInput::Problem problem, const QString &empty, const QString &invalidEmail,
                           const QString &invalidPhone);

} // namespace LoginPageKit
