#include "devicepages/DeviceInfoItem.h"

#include "devicepages/DeviceInfoWidget.h"
#include "widgets/ElidedLabelText.h"
#include "widgets/DevicePixmap.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

// The sidebar is 200 px wide; a longer name ends in an ellipsis this far from its edges.
constexpr int kNameMaxWidth = 180;

QWidget *makeSpacer(QWidget *parent, const char *name)
{
    auto *spacer = new QWidget(parent);
    spacer->setObjectName(QLatin1String(name));
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return spacer;
}

} // namespace

DeviceInfoItem::DeviceInfoItem(QWidget *parent) : QWidget(parent)
{
    m_thumbnail = new QLabel(this);
    m_thumbnail->setObjectName(QStringLiteral("deviceThumbnail"));
    m_thumbnail->setFixedSize(110, 110);
    m_thumbnail->setAlignment(Qt::AlignCenter);
    DevicePixmap::showOn(m_thumbnail, m_imagePath, m_thumbnail->size());

    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("deviceNameLabel"));
    m_nameLabel->setAlignment(Qt::AlignCenter);
    m_nameLabel->setStyleSheet(QStringLiteral(
        "font-family: 'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif;font-style: normal;font-weight: 400;"
        "font-size: 14px;line-height: 20px;text-align: center;color: #999999;"));
    m_nameLabel->setMaximumWidth(kNameMaxWidth);

    m_status = new DeviceInfoWidget(this, 11, 8);
    m_status->setObjectName(QStringLiteral("deviceStatus"));
    m_statusRow = new QHBoxLayout;
    m_statusRow->setContentsMargins(15, 0, 0, 0);
    m_statusRow->addWidget(m_status);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 40);
    layout->setSpacing(3);
    layout->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    layout->addWidget(m_thumbnail, 0, Qt::AlignHCenter);
    layout->addWidget(m_nameLabel, 0, Qt::AlignHCenter);
    layout->addLayout(m_statusRow);
}

DeviceInfoItem::~DeviceInfoItem() = default;

void DeviceInfoItem::setDeviceImage(const QString &path)
{
    if (DevicePixmap::showOn(m_thumbnail, path, m_thumbnail->size()))
        m_imagePath = path;
}

void DeviceInfoItem::setBatteryLevel(int percent)
{
    m_status->setBatteryLevel(percent);
}

void DeviceInfoItem::setBatteryVisible(bool visible)
{
    m_batteryVisible = visible;
    m_status->setBatteryVisible(visible);
    relayoutStatusRow();
}

void DeviceInfoItem::setDeviceName(const QString &name)
{
    m_deviceName = name.trimmed();
    showName();
}

void DeviceInfoItem::showName()
{
    // The label's font comes from its style sheet.
    m_nameLabel->ensurePolished();
    setElidedLabelText(m_nameLabel, m_deviceName, kNameMaxWidth, m_nameLabel->font());
}

void DeviceInfoItem::setWiredConnection(bool wired)
{
    m_wired = wired;
    m_status->setWiredConnection(wired);
    relayoutStatusRow();
}

void DeviceInfoItem::relayoutStatusRow()
{
    // Without the battery the short wired status sits in the middle.
    if (m_wired && !m_batteryVisible) {
        m_statusRow->setContentsMargins(0, 0, 0, 0);
        if (!m_leadingSpacer) {
            m_leadingSpacer = makeSpacer(this, "statusLeadingSpacer");
            m_trailingSpacer = makeSpacer(this, "statusTrailingSpacer");
            m_statusRow->insertWidget(0, m_leadingSpacer);
            m_statusRow->addWidget(m_trailingSpacer);
        }
    } else {
        m_statusRow->setContentsMargins(15, 0, 0, 0);
        for (QWidget **spacer : {&m_leadingSpacer, &m_trailingSpacer}) {
            if (*spacer) {
                m_statusRow->removeWidget(*spacer);
                (*spacer)->hide();
                (*spacer)->deleteLater();
                *spacer = nullptr;
            }
        }
    }
    m_statusRow->invalidate();
}

void DeviceInfoItem::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && m_nameLabel)
        showName();
    QWidget::changeEvent(event);
}
