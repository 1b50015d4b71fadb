#include "devicepages/DeviceInfoWidget.h"

#include "widgets/BatteryIndicator.h"
#include "devicepages/DevicePageStyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

DeviceInfoWidget::DeviceInfoWidget(QWidget *parent, int textSize, int batteryValue)
    : QWidget(parent), m_textSize(textSize)
{
    setFixedHeight(20);

    auto *statusBox = new QWidget(this);
    statusBox->setObjectName(QStringLiteral("deviceStatusBox"));
    statusBox->setStyleSheet(QStringLiteral("background: transparent;"));
    m_dot = new QWidget(statusBox);
    m_dot->setObjectName(QStringLiteral("deviceStatusDot"));
    m_dot->setFixedSize(6, 6);
    m_dot->setStyleSheet(
        QStringLiteral("background-color: #16CB2B; border-radius: 3px; border: 1px solid rgba(0, 214, 139, 0.3);"));
    m_status = new QLabel(statusBox);
    m_status->setObjectName(QStringLiteral("deviceStatusLabel"));
    m_status->setStyleSheet(QStringLiteral("font-family: %1; font-size: %2px; font-weight: 400; color: #999999;"
                                           " line-height: 20px; background: transparent;")
                                .arg(DevicePageStyles::fontFamilies())
                                .arg(m_textSize));
    auto *statusRow = new QHBoxLayout(statusBox);
    statusRow->setContentsMargins(0, 0, 0, 0);
    statusRow->setSpacing(4);
    statusRow->addWidget(m_dot);
    statusRow->addWidget(m_status);

    m_battery = new BatteryIndicator(this);
    m_battery->setObjectName(QStringLiteral("batteryIndicator"));
    m_battery->setFixedSize(67, 20);
    m_battery->level = 20;
    m_battery->low = false;
    m_battery->textPointSize = batteryValue;

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(13);
    row->setAlignment(Qt::AlignCenter);
    row->addWidget(statusBox);
    row->addWidget(m_battery);

    retranslateUi();
}

DeviceInfoWidget::~DeviceInfoWidget() = default;

void DeviceInfoWidget::setBatteryLevel(int percent)
{
    const int level = qBound(0, percent, 100);
    const bool low = level < 20;
    if (level == m_battery->level && low == m_battery->low)
        return;
    m_battery->level = level;
    m_battery->low = low;
    m_battery->update();
}

void DeviceInfoWidget::setBatteryVisible(bool visible)
{
    m_battery->setVisible(visible);
}

void DeviceInfoWidget::setWiredConnection(bool wired)
{
    if (wired == m_wired)
        return;
    m_wired = wired;
    retranslateUi();
}

int DeviceInfoWidget::batteryLevel() const
{
    return m_battery->level;
}

bool DeviceInfoWidget::isBatteryLow() const
{
    return m_battery->low;
}

QString DeviceInfoWidget::statusText() const
{
    return m_status->text();
}

void DeviceInfoWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void DeviceInfoWidget::retranslateUi()
{
    m_status->setText(m_wired ? tr("已连接") : tr("2.4G 已连接"));
}
