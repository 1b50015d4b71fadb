#include "ota/ui/LegacyRecoveryDialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kTextWidth = 472;
constexpr int kDialogWidth = 520;

QLabel *fixedWidthLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setWordWrap(true);
    label->setFixedWidth(kTextWidth);
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
    return label;
}
} // namespace

LegacyRecoveryDialog::LegacyRecoveryDialog(QWidget *parent) : QDialog(parent)
{
    setSizeGripEnabled(false);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
    setModal(true);
    setWindowTitle(tr("固件升级提示"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 20);
    layout->setSpacing(12);

    m_messageLabel = fixedWidthLabel(this);
    m_messageLabel->setObjectName(QStringLiteral("messageLabel"));
    m_messageLabel->setText(
        tr("检测到您的固件版本过低，请按以下步骤完成升级：\n\n升级前准备\n（1）将耳机切换至2.4G模式；\n"
           "（2）把2.4G接收器插入电脑的USB接口，确认耳机和接收器都处于正常在线状态。\n\n升级操作步骤\n"
           "（1）点击页面中的「一键升级」按钮，升级过程会自动完成；\n"
           "（2）升级完成后耳机会自动关机，需手动重新开机，耳机与接收器自动重连，即可正常使用。\n\n"
           "注意：升级过程中请勿关闭耳机电源、拔下接收器，否则可能会导致升级失败。"));
    const int messageHeight = m_messageLabel->heightForWidth(kTextWidth);
    if (messageHeight > 0)
        m_messageLabel->setFixedHeight(messageHeight);
    layout->addWidget(m_messageLabel);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(true);
    m_progressBar->hide();
    layout->addWidget(m_progressBar);

    m_resultLabel = fixedWidthLabel(this);
    m_resultLabel->setObjectName(QStringLiteral("resultLabel"));
    m_resultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_resultLabel->hide();
    layout->addWidget(m_resultLabel);

    m_choiceRow = new QWidget(this);
    auto *row = new QHBoxLayout(m_choiceRow);
    row->setContentsMargins(0, 0, 0, 0);
    m_upgradeButton = new QPushButton(tr("一键升级"), m_choiceRow);
    m_upgradeButton->setObjectName(QStringLiteral("upgradeButton"));
    m_laterButton = new QPushButton(tr("稍后"), m_choiceRow);
    m_laterButton->setObjectName(QStringLiteral("laterButton"));
    row->addWidget(m_upgradeButton);
    row->addWidget(m_laterButton);
    layout->addWidget(m_choiceRow);

    m_confirmButton = new QPushButton(tr("确定"), this);
    m_confirmButton->setObjectName(QStringLiteral("confirmButton"));
    m_confirmButton->hide();
    layout->addWidget(m_confirmButton);

    layout->activate();
    setFixedSize(kDialogWidth, sizeHint().height());
}

LegacyRecoveryDialog::~LegacyRecoveryDialog() = default;

void LegacyRecoveryDialog::hideChoices()
{
    m_choiceRow->hide();
}

void LegacyRecoveryDialog::showProgress()
{
    m_progressBar->setValue(0);
    m_progressBar->show();
}

void LegacyRecoveryDialog::raiseProgress(int percent)
{
    // A receiver stage that starts over must not move the bar back.
    m_progressBar->setValue(qMax(m_progressBar->value(), qBound(0, percent, 100)));
}

void LegacyRecoveryDialog::showResult(bool success, const QString &message)
{
    m_messageLabel->hide();
    if (success)
        m_progressBar->setValue(100);
    m_progressBar->hide();
    if (success) {
        setWindowTitle(tr("升级完成"));
        m_resultLabel->setText(tr("升级完成。\n固件升级成功，请等手动重启耳机进行连接。"));
        m_confirmButton->setText(tr("确定"));
    } else {
        setWindowTitle(tr("升级失败"));
        m_resultLabel->setText(tr("升级未成功：\n%1").arg(message));
        m_confirmButton->setText(tr("关闭"));
    }
    m_resultLabel->show();
    m_confirmButton->show();
}

void LegacyRecoveryDialog::closeEvent(QCloseEvent *event)
{
    if (m_busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void LegacyRecoveryDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape rejects without a close event; during an update it would leave
    // the window waiting for the engine with nothing on screen.
    if (m_busy && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
