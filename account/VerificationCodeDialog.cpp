#include "account/VerificationCodeDialog.h"

#include "account/AccountStyle.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

VerificationCodeDialog::VerificationCodeDialog(QWidget *parent)
    : AccountEditDialog(parent),
      m_valueEdit(new QLineEdit(this)),
      m_codeEdit(new QLineEdit(this)),
      m_getCodeButton(new QPushButton(this)),
      m_countdown(this)
{
}

VerificationCodeDialog::~VerificationCodeDialog() = default;

void VerificationCodeDialog::setUpDialog(const Texts &texts)
{
    m_texts = texts;
    m_valueEdit->setObjectName(QStringLiteral("valueEdit"));
    m_codeEdit->setObjectName(QStringLiteral("codeEdit"));
    m_getCodeButton->setObjectName(QStringLiteral("getCodeButton"));

    m_valueEdit->setFixedSize(320, 50);
    m_valueEdit->setPlaceholderText(texts.valuePlaceholder);
    AccountStyle::styleDialogEdit(m_valueEdit, 16);
    m_codeEdit->setFixedSize(212, 50);
    m_codeEdit->setPlaceholderText(texts.codePlaceholder);
    AccountStyle::styleDialogEdit(m_codeEdit, 16);

    m_getCodeButton->setFixedSize(100, 50);
    m_getCodeButton->setText(texts.getCode);
    m_getCodeButton->setCursor(Qt::PointingHandCursor);
    m_getCodeButton->setAutoDefault(false);
    m_getCodeButton->setStyleSheet(
        AccountStyle::gradientButtonStyle("#7542DB", "#5112A0", "#5A2DB5", "#39027F",
                                          QStringLiteral("border: none; border-radius: 10px; color: #FFFFFF;"
                                                         " font-family: %1; font-size: 12px; font-weight: 400;")
                                              .arg(AccountStyle::fontFamilies())) +
        QStringLiteral("QPushButton:disabled { background: #3A3A3A; color: #777777; }"));

    auto *codeRow = new QHBoxLayout;
    codeRow->setContentsMargins(0, 0, 0, 0);
    codeRow->setSpacing(8);
    codeRow->addWidget(m_codeEdit, 0, Qt::AlignLeft);
    codeRow->addWidget(m_getCodeButton, 0, Qt::AlignLeft);
    codeRow->addStretch();

    auto *fields = new QVBoxLayout;
    fields->setContentsMargins(0, 0, 0, 0);
    fields->setSpacing(12);
    fields->addWidget(m_valueEdit);
    fields->addLayout(codeRow);
    buildFrame(texts.title, texts.confirm, fields, nullptr);

    connect(m_getCodeButton, &QPushButton::clicked, this, &VerificationCodeDialog::onGetCodeClicked);
    connect(m_countdown.timer(), &QTimer::timeout, this, &VerificationCodeDialog::onCountdownTick);
    connect(m_valueEdit, &QLineEdit::textChanged, this, [this] {
        updateCodeButton();
        updateConfirmButton();
        clearError();
    });
    connect(m_codeEdit, &QLineEdit::textChanged, this, [this] {
        updateConfirmButton();
        clearError();
    });
    updateCodeButton();
    updateConfirmButton();
}

QString VerificationCodeDialog::valueText() const
{
    return m_valueEdit->text();
}

QString VerificationCodeDialog::code() const
{
    return m_codeEdit->text().trimmed();
}

void VerificationCodeDialog::updateConfirmButton()
{
    confirmButton()->setEnabled(!validValue().isEmpty() && !code().isEmpty() && !isSubmitting());
}

void VerificationCodeDialog::updateCodeButton()
{
    // A running countdown keeps the button off.
    if (m_countdown.isRunning())
        return;
    m_getCodeButton->setEnabled(!validValue().isEmpty());
}

void VerificationCodeDialog::onConfirmClicked()
{
    if (isSubmitting())
        return;
    clearError();
    const QString value = validValue();
    const QString verificationCode = code();
    if (value.isEmpty() || verificationCode.isEmpty())
        return;
    emitSubmitted(value, verificationCode);
}

void VerificationCodeDialog::onGetCodeClicked()
{
    const QString value = validValue();
    if (value.isEmpty())
        return;
    emit sendVerificationRequested(value);
    QTimer::singleShot(0, m_codeEdit, [edit = m_codeEdit] { edit->setFocus(); });
}

void VerificationCodeDialog::onSendCodeSucceeded()
{
    clearError();
    m_getCodeButton->setEnabled(false);
    m_countdown.start();
    m_getCodeButton->setText(m_countdown.buttonText(m_texts.seconds, m_texts.getCode));
}

void VerificationCodeDialog::onCountdownTick()
{
    m_countdown.tick();
    m_getCodeButton->setText(m_countdown.buttonText(m_texts.seconds, m_texts.getCode));
    updateCodeButton();
}

void VerificationCodeDialog::onSendCodeFailed(int, const QString &)
{
    stopCountdown();
}

void VerificationCodeDialog::stopCountdown()
{
    m_countdown.stop();
    m_getCodeButton->setText(m_texts.getCode);
    updateCodeButton();
}

void VerificationCodeDialog::reject()
{
    resetFrameState();
    stopCountdown();
    QDialog::reject();
}
