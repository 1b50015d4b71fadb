#include "devicepages/EquipmentSettingsBar.h"

#include "devicepages/AudioConfigMenuItem.h"
#include "devicepages/DeviceInfoItem.h"
#include "devicepages/EQMenuItem.h"
#include "devicepages/MoreSettingsMenuItem.h"
#include "devicepages/SurroundMenuItem.h"

#include <QVBoxLayout>

EquipmentSettingsBar::EquipmentSettingsBar(QWidget *parent) : QWidget(parent)
{
    setFixedWidth(200);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral(
        "EquipmentSettingsBar { background: #1A1A1B; border: none; border-radius: 0px; padding: 1px; }"));

    m_audioItem = new AudioConfigMenuItem(this, true);
    m_audioItem->setObjectName(QStringLiteral("audioConfigMenuItem"));
    m_eqItem = new EQMenuItem(this, false);
    m_eqItem->setObjectName(QStringLiteral("eqMenuItem"));
    m_surroundItem = new SurroundMenuItem(this, false);
    m_surroundItem->setObjectName(QStringLiteral("surroundMenuItem"));
    m_surroundItem->hide();
    m_moreItem = new MoreSettingsMenuItem(this, false);
    m_moreItem->setObjectName(QStringLiteral("moreSettingsMenuItem"));
    m_deviceItem = new DeviceInfoItem(this);
    m_deviceItem->setObjectName(QStringLiteral("deviceInfoItem"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_audioItem);
    layout->addWidget(m_eqItem);
    layout->addWidget(m_surroundItem);
    layout->addWidget(m_moreItem);
    layout->addStretch();
    layout->addWidget(m_deviceItem, 0, Qt::AlignBottom);

    connect(m_audioItem, &SidebarMenuItem::clicked, this, &EquipmentSettingsBar::onAudioConfigClicked);
    connect(m_eqItem, &SidebarMenuItem::clicked, this, &EquipmentSettingsBar::onEQClicked);
    connect(m_eqItem, &EQMenuItem::subItemClicked, this, &EquipmentSettingsBar::onEQSubItemClicked);
    connect(m_surroundItem, &SidebarMenuItem::clicked, this, &EquipmentSettingsBar::onSurroundClicked);
    connect(m_moreItem, &SidebarMenuItem::clicked, this, &EquipmentSettingsBar::onMoreSettingsClicked);
}

EquipmentSettingsBar::~EquipmentSettingsBar() = default;

void EquipmentSettingsBar::selectOnly(SidebarMenuItem *chosen)
{
    // Through the virtual setter, so the EQ entry collapses when left.
    for (SidebarMenuItem *item : std::initializer_list<SidebarMenuItem *>{m_audioItem, m_eqItem, m_surroundItem,
                                                                          m_moreItem}) {
        if (item)
            item->setSelected(item == chosen);
    }
}

void EquipmentSettingsBar::onAudioConfigClicked()
{
    selectOnly(m_audioItem);
    emit audioConfigClicked();
}

void EquipmentSettingsBar::onEQClicked()
{
    selectOnly(m_eqItem);
    emit eqClicked();
}

void EquipmentSettingsBar::onEQSubItemClicked(int index)
{
    emit eqSubItemClicked(index);
}

void EquipmentSettingsBar::onSurroundClicked()
{
    selectOnly(m_surroundItem);
    emit surroundClicked();
}

void EquipmentSettingsBar::onMoreSettingsClicked()
{
    selectOnly(m_moreItem);
    emit moreSettingsClicked();
}

void EquipmentSettingsBar::selectMoreSettings()
{
    selectOnly(m_moreItem);
}

void EquipmentSettingsBar::setDeviceImage(const QString &path)
{
    m_deviceItem->setDeviceImage(path);
}

void EquipmentSettingsBar::setBatteryLevel(int percent)
{
    m_deviceItem->setBatteryLevel(percent);
}

void EquipmentSettingsBar::setBatteryVisible(bool visible)
{
    m_deviceItem->setBatteryVisible(visible);
}

void EquipmentSettingsBar::setWiredConnection(bool wired)
{
    m_deviceItem->setWiredConnection(wired);
}

void EquipmentSettingsBar::setDeviceName(const QString &name)
{
    m_deviceItem->setDeviceName(name);
}

void EquipmentSettingsBar::setMoreSettingsRedDotVisible(bool visible)
{
    if (m_moreItem)
        m_moreItem->setRedDotVisible(visible);
}

void EquipmentSettingsBar::setMoreSettingsVisible(bool visible)
{
    if (!m_moreItem)
        return;
    if (visible) {
        m_moreItem->show();
        return;
    }
    if (m_moreItem->isSelected())
        selectOnly(m_audioItem);
    m_moreItem->hide();
    m_moreItem->setRedDotVisible(false);
}
