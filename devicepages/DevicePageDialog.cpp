#include "devicepages/DevicePageDialog.h"

#include "widgets/RoundedMask.h"
#include "widgets/WindowBlurBackdrop.h"
#include "devicepages/DevicePageStyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>

namespace {
const QSize kButtonSize(112, 33);
} // namespace

DevicePageDialog::DevicePageDialog(QWidget *parent, const QSize &size, const QString &cornerRadius)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(true);
    setAttribute(Qt::WA_TranslucentBackground, false);
    m_baseSize = size;
    setFixedSize(size);
    setStyleSheet(QStringLiteral("QDialog { background: #000000; border-radius: %1; }").arg(cornerRadius));

    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setFixedSize(kButtonSize);
    m_cancel->setCursor(Qt::PointingHandCursor);
    m_cancel->setAutoDefault(false);
    m_cancel->setStyleSheet(DevicePageStyles::cancelButton());
    m_confirm = new QPushButton(this);
    m_confirm->setObjectName(QStringLiteral("confirmButton"));
    m_confirm->setFixedSize(kButtonSize);
    m_confirm->setCursor(Qt::PointingHandCursor);
    m_confirm->setAutoDefault(false);
    m_confirm->setStyleSheet(DevicePageStyles::confirmButton());
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_confirm, &QPushButton::clicked, this, &QDialog::accept);

    retranslateUi();
    applyRoundedMask(this);
}

DevicePageDialog::~DevicePageDialog() = default;

QHBoxLayout *DevicePageDialog::createButtonRow()
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    row->addStretch();
    row->addWidget(m_cancel);
    row->addWidget(m_confirm);
    row->addStretch();
    return row;
}

void DevicePageDialog::fitHeightToContents()
{
    QLayout *contents = layout();
    if (!contents)
        return;
    contents->activate();
    const int needed = contents->hasHeightForWidth() ? contents->totalHeightForWidth(m_baseSize.width())
                                                     : contents->totalSizeHint().height();
    setFixedSize(m_baseSize.width(), qMax(m_baseSize.height(), needed));
}

int DevicePageDialog::execBlurred()
{
    fitHeightToContents();
    return WindowBlurBackdrop::execOver(parentWidget(), this);
}

void DevicePageDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    applyRoundedMask(this);
}

void DevicePageDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void DevicePageDialog::retranslateUi()
{
    m_cancel->setText(tr("取消"));
    m_confirm->setText(tr("确定"));
}
