#include "account/AccountEditDialog.h"

#include "account/AccountStyle.h"
#include "widgets/RoundedMask.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AccountEditDialog::AccountEditDialog(QWidget *parent)
    : QDialog(parent),
      m_errorLabel(new QLabel(this)),
      m_titleLabel(new QLabel(this)),
      m_confirmButton(new QPushButton(this)),
      m_closeButton(new QPushButton(QStringLiteral("×"), this))
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setFixedSize(384, 475);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("QDialog { background: #000000; border-radius: 6.66667px; }"));

    const QString &families = AccountStyle::fontFamilies();
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setFixedHeight(22);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setStyleSheet(
        QStringLiteral("color: #FFFFFF; font-family: %1; font-weight: 400; font-size: 16px; line-height: 22px;")
            .arg(families));

    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setFixedSize(24, 24);
    m_closeButton->setCursor(Qt::PointingHandCursor);
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    m_closeButton->setAutoDefault(false);
    m_closeButton->setStyleSheet(QStringLiteral(
        "QPushButton {  background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #6532CB, stop:1 #410290);"
        "  border-radius: 12px;  border: none;  color: #FFFFFF;  font-size: 14px;  font-weight: 400;  padding: 0;}"
        "QPushButton:pressed {  background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #5A2DB2, stop:1 #380180);}"));
    connect(m_closeButton, &QPushButton::clicked, this, &AccountEditDialog::reject);

    m_confirmButton->setObjectName(QStringLiteral("confirmButton"));
    m_confirmButton->setFixedSize(240, 44);
    m_confirmButton->setCursor(Qt::PointingHandCursor);
    // Enter submits; the button is off while the input is incomplete.
    m_confirmButton->setDefault(true);
    m_confirmButton->setStyleSheet(
        AccountStyle::gradientButtonStyle("#7542DB", "#5112A0", "#5A2DB5", "#39027F",
                                          QStringLiteral("border: none; border-radius: 6.66667px; color: #FFFFFF;"
                                                         " font-family: %1; font-size: 14px; font-weight: 500;")
                                              .arg(families)) +
        QStringLiteral("QPushButton:disabled { background: #3A3A3A; color: #777777; }"));
    connect(m_confirmButton, &QPushButton::clicked, this, [this] { onConfirmClicked(); });

    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    m_errorLabel->setStyleSheet(
        QStringLiteral("color: #FF6B6B; font-family: %1; font-size: 12px;").arg(families));
    m_errorLabel->setAlignment(Qt::AlignCenter);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setMinimumWidth(320);
    m_errorLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    m_errorLabel->hide();
}

AccountEditDialog::~AccountEditDialog() = default;

void AccountEditDialog::buildFrame(const QString &title, const QString &confirmText, QLayout *fields,
                                   QWidget *belowFields)
{
    m_titleLabel->setText(title);
    setWindowTitle(title);
    m_confirmButton->setText(confirmText);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(32, 26, 32, 24);
    outer->setSpacing(0);

    auto *titleRow = new QHBoxLayout;
    titleRow->addStretch();
    titleRow->addWidget(m_titleLabel);
    titleRow->addStretch();
    outer->addLayout(titleRow);
    outer->addSpacing(42);
    outer->addLayout(fields);
    if (belowFields) {
        outer->addSpacing(8);
        outer->addWidget(belowFields);
    }
    outer->addStretch();

    auto *bottom = new QVBoxLayout;
    bottom->setSpacing(8);
    bottom->addWidget(m_errorLabel);
    auto *confirmRow = new QHBoxLayout;
    confirmRow->addStretch();
    confirmRow->addWidget(m_confirmButton);
    confirmRow->addStretch();
    bottom->addLayout(confirmRow);
    outer->addLayout(bottom);

    applyRoundedMask(this);
    placeCloseButton();
}

void AccountEditDialog::setErrorText(const QString &text)
{
    if (!m_errorLabel)
        return;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        clearError();
        return;
    }
    m_errorLabel->setText(trimmed);
    m_errorLabel->show();
}

QString AccountEditDialog::errorText() const
{
    return m_errorLabel->text();
}

void AccountEditDialog::clearError()
{
    m_errorLabel->hide();
    m_errorLabel->clear();
}

void AccountEditDialog::setSubmitting(bool submitting)
{
    m_submitting = submitting;
    updateConfirmButton();
}

void AccountEditDialog::resetFrameState()
{
    clearError();
    m_submitting = false;
    updateConfirmButton();
}

void AccountEditDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    applyRoundedMask(this);
    placeCloseButton();
}

void AccountEditDialog::placeCloseButton()
{
    m_closeButton->move(width() - m_closeButton->width() - 12, 12);
    m_closeButton->raise();
}
