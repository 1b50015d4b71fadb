// The device commands of the more-settings and connection pages (prompt-tone
// volume, factory reset, receiver unbind) and what the device service answers
// to them and to a rename, with the battery and name it reports.
#include "app/HeadphonesDevice.h"

#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "eq/EQOfficialPresetContent.h"
#include "hid/HidProtocolService.h"

#include <QTimer>

namespace {
bool isToneLevel(int level)
{
    return level >= 1 && level <= 7;
}
} // namespace

void HeadphonesDevice::requestToneLevel(int level)
{
    if (m_quitting || !m_deviceService || !isToneLevel(level))
        return;
    MoreSettingsContent *more = m_contentBar ? m_contentBar->moreSettingsPage() : nullptr;
    const int current = m_device.toneLevel;
    if (m_device.toneChangePending) {
        // One change at a time: the slider shows the level still on its way.
        if (more && isToneLevel(m_device.requestedToneLevel)
            && more->promptToneLevel() != m_device.requestedToneLevel)
            more->setPromptToneLevel(m_device.requestedToneLevel);
        return;
    }
    if (level == current)
        return;
    if (m_deviceService->setToneVolume(level)) {
        m_device.toneChangePending = true;
        m_device.requestedToneLevel = level;
        m_device.previousToneLevel = current;
        return;
    }
    if (more && isToneLevel(current))
        more->setPromptToneLevel(current);
}

void HeadphonesDevice::completeToneChange()
{
    m_device.toneChangePending = false;
    m_device.requestedToneLevel = -1;
    m_device.previousToneLevel = -1;
}

void HeadphonesDevice::onHeadsetToneVolumeChanged(int level)
{
    if (m_quitting || !isToneLevel(level))
        return;
    m_device.toneLevel = level;
    if (m_device.toneChangePending && m_device.requestedToneLevel == level)
        completeToneChange();
    refreshMoreSettingsPage();
}

void HeadphonesDevice::onToneVolumeSetSucceeded(int level)
{
    if (m_quitting)
        return;
    m_device.toneLevel = level;
    completeToneChange();
    refreshMoreSettingsPage();
}

void HeadphonesDevice::onToneVolumeSetFailed(int)
{
    if (m_quitting)
        return;
    const int back = isToneLevel(m_device.previousToneLevel) ? m_device.previousToneLevel : m_device.toneLevel;
    completeToneChange();
    MoreSettingsContent *more = m_contentBar ? m_contentBar->moreSettingsPage() : nullptr;
    if (more && isToneLevel(back))
        more->setPromptToneLevel(back);
}

void HeadphonesDevice::requestFactoryReset()
{
    if (m_quitting || !m_deviceService || m_device.factoryResetPending)
        return;
    if (m_deviceService->sendFactoryReset())
        m_device.factoryResetPending = true;
}

void HeadphonesDevice::onFactoryResetSucceeded()
{
    if (m_quitting)
        return;
    m_device.factoryResetPending = false;
    m_device.toneLevel = -1;
    completeToneChange();

    // The headset is back on its default EQ: the selection follows without sending anything.
    EQActiveProfileCoordinator *coordinator = eqCoordinator();
    EQOfficialPresetContent *official = m_contentBar ? m_contentBar->officialPresetPage() : nullptr;
    if (!coordinator || !official)
        return;
    QString id = official->firstBasicPresetId().trimmed();
    if (id.isEmpty())
        id = QStringLiteral("1");
    m_eq.clearingSelection = true;
    coordinator->setActiveSelection(EQActiveProfileCoordinator::OfficialBasic, id);
    m_eq.clearingSelection = false;
    m_eq.lastAppliedSource = EQActiveProfileCoordinator::OfficialBasic;
    m_eq.lastAppliedId = id;
    m_eq.pendingSource = EQActiveProfileCoordinator::OfficialBasic;
    m_eq.pendingId = id;
    dropRealtimeRequest();
}

void HeadphonesDevice::requestReceiverUnbind()
{
    if (m_quitting || !m_deviceService || m_device.receiverUnbindPending)
        return;
    if (m_deviceService->sendReceiverUnbind()) {
        m_device.receiverUnbindPending = true;
        return;
    }
    showToast(tr("接收器解绑失败"), true);
}

void HeadphonesDevice::onHeadsetBatteryChanged(int percent)
{
    if (m_quitting)
        return;
    m_device.batteryLevel = percent;
    refreshConnectionState();
    if (m_sidebar && percent >= 0 && !isQorConnectionHeld())
        m_sidebar->setBatteryLevel(percent);
}

void HeadphonesDevice::completeRename()
{
    m_device.renamePending = false;
    m_device.requestedName.clear();
    m_device.previousName.clear();
}

void HeadphonesDevice::afterNameResult()
{
    // Also after a failure: the sidebar, the connection page and the device page showed the refused name.
    refreshConnectionState();
    refreshMoreSettingsPage();
}

void HeadphonesDevice::onHeadsetNameChanged(const QString &name)
{
    if (m_quitting)
        return;
    const QString n = name.trimmed();
    if (n.isEmpty())
        return;
    m_device.deviceName = n;
    if (m_device.renamePending && n == m_device.requestedName)
        completeRename();
    afterNameResult();
}

void HeadphonesDevice::onDeviceNameSetSucceeded(const QString &name)
{
    if (m_quitting)
        return;
    const QString n = name.trimmed();
    if (!n.isEmpty())
        m_device.deviceName = n;
    completeRename();
    afterNameResult();
}

void HeadphonesDevice::onDeviceNameSetFailed()
{
    if (m_quitting)
        return;
    const QString previous = m_device.previousName.trimmed();
    completeRename();
    if (!previous.isEmpty())
        m_device.deviceName = previous;
    afterNameResult();
}
