// The device side of the main window lives in two collaborators: the device
// state (presence, validation, link, cached values, main page, device
// commands) and the EQ downlink. Here they are built with what they need of
// the window, and the window's own operations and slots are forwarded to them.
#include "app/HeadphonesDevice.h"

#include "app/DeviceStateController.h"
#include "app/EqDownlinkController.h"
#include "devicepages/EquipmentContentsBar.h"
#include "eq/EQCustomContent.h"
#include "eq/EQOfficialPresetContent.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "hid/HidProtocolService.h"

#include <QJsonObject>

using Source = EQActiveProfileCoordinator::Source;

void HeadphonesDevice::createDeviceCollaborators()
{
    m_deviceState = new DeviceStateController(this);
    m_eqDownlink = new EqDownlinkController(this);
    const auto quitting = [this] { return m_quitting; };

    m_eqDownlink->setQuittingProbe(quitting);
    m_eqDownlink->setTimings({.retryIntervalMs = m_timings.eqRetryIntervalMs,
                              .retryTicks = m_timings.eqRetryTicks,
                              .realtimeDebounceMs = m_timings.realtimeEqDebounceMs});
    if (m_deviceService) {
        HidProtocolService *service = m_deviceService;
        DeviceStateController *state = m_deviceState;
        m_eqDownlink->setDeviceLink({
            .readyForCommands = [service] { return service->isReadyForCommands(); },
            .sendFramed = [service](const HeadsetProtocol::EQData &record) { return service->sendEqSettings(record); },
            .sendQorChain = [service](const HeadsetProtocol::EQData &record,
                                      QString *error) { return service->sendQorCbQaspEqChain(record, error); },
            .serviceQorSession = [state] { return state->isServiceQorSessionActive(); },
            .qorMode = [state] { return state->isQorMode(); },
            .readyForEq = [state] { return state->isDeviceReadyForEq(); },
        });
    }
    if (EquipmentContentsBar *bar = m_contentBar) {
        m_eqDownlink->setPages({
            .findOfficialEffect =
                [bar](Source source, const QString &id, EarphoneApi::EQEffect &out) {
                    EQOfficialPresetContent *page = bar->officialPresetPage();
                    return page && page->findEffect(source, id, out);
                },
            .findCloudItem =
                [bar](const QString &id, EarphoneApi::CloudEQItem &out) {
                    EQCloudSharingContent *page = bar->cloudSharingPage();
                    return page && page->findCloudItemById(id, out);
                },
            .customSlot =
                [bar](int sortIndex, QJsonObject &out) {
                    EQCustomContent *page = bar->customPage();
                    return page && page->customPresetJson(sortIndex, out);
                },
            .officialListLoaded =
                [bar] {
                    EQOfficialPresetContent *page = bar->officialPresetPage();
                    return page && page->hasList();
                },
            .restoreCustomSlot =
                [bar](int sortIndex, const QJsonObject &slot) {
                    if (EQCustomContent *page = bar->customPage())
                        page->restoreSlotContent(sortIndex, slot);
                },
        });
        m_eqDownlink->setCoordinator(bar->activeProfileCoordinator());
        connect(m_eqDownlink, &EqDownlinkController::failureToastRequested, bar,
                &EquipmentContentsBar::showTopToastFail);
    }

    m_deviceState->setQuittingProbe(quitting);
    m_deviceState->setTimings({.devicePageRefreshMs = m_timings.devicePageRefreshMs,
                               .basicInfoThrottleMs = m_timings.basicInfoThrottleMs});
    m_deviceState->setService(m_deviceService);
    m_deviceState->setEqDownlink(m_eqDownlink);
    m_deviceState->setPages(m_connectionPage, m_sidebar, m_contentBar, m_titleBar);
    m_deviceState->setPageStack({.currentPage = [this] { return m_currentPage; },
                                 .showPage = [this](int page) { showPage(page); }});
    connect(m_deviceState, &DeviceStateController::deviceValuesReset, this, [this] { clearFirmwareCheckState(); });
    connect(m_deviceState, &DeviceStateController::presenceHandled, this,
            [this] { updatePeriodicFirmwareCheckTimer(); });
    connect(m_deviceState, &DeviceStateController::moreSettingsRefreshRequested, this,
            &HeadphonesDevice::refreshMoreSettingsPage);
    connect(m_deviceState, &DeviceStateController::toastRequested, this, &HeadphonesDevice::showToast);
}

// ---- Device state and pages --------------------------------------------------------------------

bool HeadphonesDevice::isQorConnectionHeld() const
{
    return m_deviceState->isQorConnectionHeld();
}

bool HeadphonesDevice::isDeviceUsable() const
{
    return m_deviceState->isDeviceUsable();
}

bool HeadphonesDevice::isDeviceReadyForEq() const
{
    return m_deviceState->isDeviceReadyForEq();
}

void HeadphonesDevice::onTargetDevicePresentChanged(bool present)
{
    m_deviceState->onTargetDevicePresentChanged(present);
}

void HeadphonesDevice::onProtocolValidatedChanged(bool validated)
{
    m_deviceState->onProtocolValidatedChanged(validated);
}

void HeadphonesDevice::onHeadsetLinkChanged(bool up)
{
    m_deviceState->onHeadsetLinkChanged(up);
}

void HeadphonesDevice::onQorBypassSessionChanged()
{
    m_deviceState->onQorBypassSessionChanged();
}

void HeadphonesDevice::refreshConnectionState()
{
    m_deviceState->refreshConnectionState();
}

void HeadphonesDevice::selectMainPageForDeviceState(bool force)
{
    m_deviceState->selectMainPageForDeviceState(force);
}

void HeadphonesDevice::applyConnectionModeToSidebar()
{
    m_deviceState->applyConnectionModeToSidebar();
}

void HeadphonesDevice::pushConnectionModeToPages()
{
    m_deviceState->pushConnectionModeToPages();
}

void HeadphonesDevice::scheduleDevicePageRefresh()
{
    m_deviceState->scheduleDevicePageRefresh();
}

void HeadphonesDevice::pushProductIdToEqPages()
{
    m_deviceState->pushProductIdToEqPages();
}

void HeadphonesDevice::giveProductIdToEqPages()
{
    m_deviceState->giveProductIdToEqPages();
}

QString HeadphonesDevice::currentProductIdText() const
{
    return m_deviceState->currentProductIdText();
}

void HeadphonesDevice::requestDeviceRename(const QString &name)
{
    m_deviceState->requestDeviceRename(name);
}

void HeadphonesDevice::requestBasicInfoThrottled()
{
    m_deviceState->requestBasicInfoThrottled();
}

// ---- The EQ downlink ---------------------------------------------------------------------------

QByteArray HeadphonesDevice::buildDownlinkSnapshot(const HeadsetProtocol::EQData &record)
{
    return EqDownlinkController::buildDownlinkSnapshot(record);
}

std::optional<HeadsetProtocol::EQData> HeadphonesDevice::parseDownlinkSnapshot(const QByteArray &snapshot)
{
    return EqDownlinkController::parseDownlinkSnapshot(snapshot);
}

void HeadphonesDevice::onActiveEqSelectionChanged(Source source, const QString &id)
{
    m_eqDownlink->onActiveSelectionChanged(source, id);
}

void HeadphonesDevice::onEqSendSucceeded()
{
    m_eqDownlink->onSendSucceeded();
}

void HeadphonesDevice::onEqSendFailed(const QString &reason)
{
    m_eqDownlink->onSendFailed(reason);
}

void HeadphonesDevice::sendActiveEq(Source source, const QString &id)
{
    m_eqDownlink->sendActiveEq(source, id);
}

std::optional<HeadsetProtocol::EQData> HeadphonesDevice::mapSelectionToEqData(Source source, const QString &id,
                                                                              QString *error)
{
    return m_eqDownlink->mapSelectionToEqData(source, id, error);
}

void HeadphonesDevice::sendEqData(Source source, const QString &id, const HeadsetProtocol::EQData &record,
                                  bool fromBootstrap)
{
    m_eqDownlink->sendEqData(source, id, record, fromBootstrap);
}

void HeadphonesDevice::startEqDownlinkRetry()
{
    m_eqDownlink->startRetry();
}

void HeadphonesDevice::onEqDownlinkRetryTimeout()
{
    m_eqDownlink->onRetryTimeout();
}

void HeadphonesDevice::stopEqDownlinkRetry()
{
    m_eqDownlink->stopRetry();
}

void HeadphonesDevice::bootstrapPersistedEq()
{
    m_eqDownlink->bootstrapPersistedEq();
}

void HeadphonesDevice::scheduleRealtimeEqSend(Source source, const QString &id)
{
    m_eqDownlink->scheduleRealtimeSend(source, id);
}

void HeadphonesDevice::sendRealtimeEq()
{
    m_eqDownlink->sendRealtimeEq();
}

void HeadphonesDevice::applyEphemeralCloudEq(const EarphoneApi::CloudEQItem &item)
{
    m_eqDownlink->applyEphemeralCloudEq(item);
}

void HeadphonesDevice::onCustomPresetImported(int slot)
{
    m_eqDownlink->onCustomPresetImported(slot);
}

bool HeadphonesDevice::isEqSendInFlight() const
{
    return m_eqDownlink->isSendInFlight();
}

bool HeadphonesDevice::isRealtimeEqPending() const
{
    return m_eqDownlink->isRealtimePending();
}

bool HeadphonesDevice::isEqDownlinkRetryRunning() const
{
    return m_eqDownlink->isRetryRunning();
}
