#include "account/LoginPageKit.h"

#include "account/AccountStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace LoginPageKit {

namespace {

QString buttonStyle(int radius, int fontSize)
{
    return AccountStyle::gradientButtonStyle(
        "#7A4CD5", "#5213B3", "#5A2DB2", "#380180",
        QStringLiteral("border: none; outline: none; border-radius: %1px; color: #FFFFFF; font-family: %2;"
                       " font-size: %3px;")
            .arg(radius)
            .arg(AccountStyle::fontFamilies())
            .arg(fontSize));
}

void makeClickable(QWidget *widget)
{
    widget->setFocusPolicy(Qt::NoFocus);
    widget->setCursor(Qt::PointingHandCursor);
}

} // namespace

void styleLineEdit(QLineEdit *edit, bool password)
{
    edit->setFixedHeight(48);
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: rgba(42, 41, 45, 0.6); border-radius: 15px;"
                                       " border: none; padding-left: 25px; padding-right: %1px; font-family: %2;"
                                       " font-size: 12px; color: #999999; font-weight: 400; }"
                                       "QLineEdit:focus { border: 1px solid #6532CB; }")
                            .arg(password ? 50 : 25)
                            .arg(AccountStyle::fontFamilies()));
}

QLineEdit *makeLineEdit(QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    styleLineEdit(edit, false);
    return edit;
}

QPushButton *makeMainButton(QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setFixedSize(240, 39);
    button->setStyleSheet(buttonStyle(10, 14));
    button->setAutoDefault(true);
    makeClickable(button);
    return button;
}

QPushButton *makeCodeButton(QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setFixedSize(100, 48);
    button->setStyleSheet(buttonStyle(16, 12));
    button->setAutoDefault(false);
    makeClickable(button);
    return button;
}

QRadioButton *makeTypeRadio(QWidget *parent)
{
    auto *radio = new QRadioButton(parent);
    radio->setStyleSheet(
        QStringLiteral("QRadioButton { color: #E4E4E4; font-family: %1; font-size: 14px; font-weight: 500;"
                       " background: transparent; spacing: 6px; }"
                       "QRadioButton::indicator { width: 8px; height: 8px; border-radius: 6px;"
                       " border: 2px solid #999999; background: transparent; }"
                       "QRadioButton::indicator:checked { border: 2px solid #00D68B; background: qradialgradient("
                       "cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0 #00D68B, stop:1 transparent); }")
            .arg(AccountStyle::fontFamilies()));
    makeClickable(radio);
    return radio;
}

QLabel *makeErrorLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setStyleSheet(QStringLiteral("QLabel { color: #FF6B6B; font-family: %1; font-size: 12px; }")
                             .arg(AccountStyle::fontFamilies()));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setMinimumWidth(338);
    label->hide();
    return label;
}

QLabel *makeHintLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setStyleSheet(QStringLiteral("QLabel { color: #8C8C8C; font-family: %1; font-size: 11px;"
                                        " font-weight: 500; }")
                             .arg(AccountStyle::fontFamilies()));
    return label;
}

QLabel *makeLinkLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setStyleSheet(QStringLiteral("QLabel { font-family: %1; font-size: 11px; font-weight: 500; }")
                             .arg(AccountStyle::fontFamilies()));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    label->setOpenExternalLinks(false);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

void showError(QLabel *label, const QString &message)
{
    label->setText(message);
    label->setVisible(!message.isEmpty());
}

QHBoxLayout *makeTypeRow(QRadioButton *phone, QRadioButton *email)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(23, 40, 0, 0);
    row->setSpacing(0);
    row->addWidget(phone);
    row->addSpacing(40);
    row->addWidget(email);
    row->addStretch();
    return row;
}

QVBoxLayout *makeBottomColumn(int bottomMargin, const QList<QWidget *> &widgets)
{
    auto *column = new QVBoxLayout;
    column->setContentsMargins(23, 0, 23, bottomMargin);
    column->setSpacing(10);
    for (QWidget *widget : widgets)
        column->addWidget(widget, 0, Qt::AlignHCenter);
    return column;
}

QString accountProblemText(AccountInput::Problem problem, const QString &empty, const QString &invalidEmail,
                           const QString &invalidPhone)
{
    switch (problem) {
    case AccountInput::Problem::Empty:
        return empty;
    case AccountInput::Problem::InvalidEmail:
        return invalidEmail;
    case AccountInput::Problem::InvalidPhone:
        return invalidPhone;
    case AccountInput::Problem::None:
        break;
    }
    return QString();
}

} // namespace LoginPageKit
