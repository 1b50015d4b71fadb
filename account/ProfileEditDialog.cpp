#include "account/ProfileEditDialog.h"

#include "account/AccountStyle.h"
#include "widgets/RoundedMask.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

ProfileEditDialog::ProfileEditDialog(const QSize &size, QWidget *parent)
    : QDialog(parent),
      m_titleLabel(new QLabel(this)),
      m_cancelButton(new QPushButton(this)),
      m_okButton(new QPushButton(this))
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("QDialog { background: #000000; border-radius: 6.66667px; }"));
    setFixedSize(size);

    const QString &families = AccountStyle::fontFamilies();
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setFixedHeight(21);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setStyleSheet(
        QStringLiteral("color: #E4E4E4; font-family: %1; font-weight: 400; font-size: 16px; line-height: 22px;")
            .arg(families));

    const QString buttonText =
        QStringLiteral("border: none; border-radius: 6.66667px; color: #FFFFFF; font-family: %1; font-size: 14px;")
            .arg(families);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setFixedSize(112, 33);
    m_cancelButton->setCursor(Qt::PointingHandCursor);
    m_cancelButton->setAutoDefault(false);
    m_cancelButton->setStyleSheet(QStringLiteral("QPushButton { background: #555555; %1 }"
                                                 "QPushButton:pressed { background: #4A4A4A; }")
                                      .arg(buttonText));
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setFixedSize(112, 33);
    m_okButton->setCursor(Qt::PointingHandCursor);
    m_okButton->setDefault(true);
    m_okButton->setStyleSheet(QStringLiteral("QPushButton { background: %1; %2 }"
                                             "QPushButton:pressed { background: %3; }"
                                             "QPushButton:disabled { background: #3A3A3A; color: #777777; }")
                                  .arg(AccountStyle::horizontalGradient("#6532CB", "#410290"), buttonText,
                                       AccountStyle::horizontalGradient("#5A2DB2", "#380180")));
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
}

ProfileEditDialog::~ProfileEditDialog() = default;

QHBoxLayout *ProfileEditDialog::makeButtonRow()
{
    auto *row = new QHBoxLayout;
    row->setSpacing(16);
    row->addStretch();
    row->addWidget(m_cancelButton);
    row->addWidget(m_okButton);
    row->addStretch();
    return row;
}

void ProfileEditDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void ProfileEditDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    applyRoundedMask(this);
}
