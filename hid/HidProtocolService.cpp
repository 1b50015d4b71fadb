// HidProtocolService: the object, its wiring, shutdown, the state setters and
// resets, and the data passing between the transport and the protocol thread.
#include "hid/HidProtocolService.h"

#include "hid/HidManager.h"
#include "hid/HidProtocolServiceFormat.h"
#include "hid/HidThreadStopper.h"
#include "hid/ProtocolProxy.h"
#include "hid/QtDeviceDiscoveryAdapter.h"
#include "hid/QtHidTransportAdapter.h"
#include "protocol/ProtocolHandler.h"

#include <QDebug>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <utility>

using HidProtocolServiceFormat::hexDump;

HidProtocolService::HidProtocolService(QObject *parent)
    : HidProtocolService(parent, HidProtocolServiceDurations{}, HIDTypes::HidManagerConfig{},
                         HeadsetProtocol::ProtocolHandlerSettings{})
{
}

HidProtocolService::HidProtocolService(QObject *parent, const HidProtocolServiceDurations &durations,
                                       const HIDTypes::HidManagerConfig &hidConfig,
                                       const HeadsetProtocol::ProtocolHandlerSettings &handlerSettings)
    : QObject(parent), m_durations(durations), qorRefusalDropsOldest(hidConfig.queueFullPolicy == 1)
{
    qRegisterMetaType<HidProtocolService::ProtocolValidationFailureReason>(
        "HidProtocolService::ProtocolValidationFailureReason");
    qRegisterMetaType<HeadsetProtocol::DiscoveryDeviceInfo>("HeadsetProtocol::DiscoveryDeviceInfo");
    qRegisterMetaType<QList<HeadsetProtocol::DiscoveryDeviceInfo>>("QList<HeadsetProtocol::DiscoveryDeviceInfo>");

    hidManager = new HidManager(this, hidConfig);
    transport = new HeadsetProtocol::QtHidTransportAdapter(hidManager, this);
    discovery = new HeadsetProtocol::QtDeviceDiscoveryAdapter(hidManager, this);

    protocolHandler = new HeadsetProtocol::ProtocolHandler(handlerSettings);
    protocolThread = new QThread(this);
    protocolThread->setObjectName(QStringLiteral("HeadsetProtocol"));
    protocolHandler->moveToThread(protocolThread);
    connect(protocolThread, &QThread::finished, protocolHandler, &QObject::deleteLater);
    protocolThread->start(QThread::InheritPriority);

    protocolProxy = new ProtocolProxy(protocolHandler, this);
    protocolProxy->start();

    qorSession.setCallbacks([this](const QString &text) { emit logMessage(text); },
                            [this](bool active) { emit qorQaspBypassSessionChanged(active); });

    validationTimer = new QTimer(this);
    validationTimer->setSingleShot(true);
    connect(validationTimer, &QTimer::timeout, this, &HidProtocolService::onValidationTimeout);

    wire();

    QTimer::singleShot(m_durations.firstProbeDelayMs, this, &HidProtocolService::autoProbe);
}

HidProtocolService::~HidProtocolService()
{
    if (protocolProxy)
        protocolProxy->setHeartbeatEnabled(false);
    if (transport)
        transport->disconnectAll();
    stopProtocolThread();
}

void HidProtocolService::wire()
{
    using HeadsetProtocol::IDeviceDiscovery;
    using HeadsetProtocol::IHidTransport;

    connect(transport, &IHidTransport::dataReceived, this, &HidProtocolService::onTransportDataReceived);
    connect(protocolProxy, &ProtocolProxy::outgoingFrame, this, &HidProtocolService::onOutgoingFrame);
    connect(protocolProxy, &ProtocolProxy::logMessage, this,
            [this](const QString &message, int) { emit logMessage(QStringLiteral("[Protocol] %1").arg(message)); });
    connect(protocolProxy, &ProtocolProxy::responseReceived, this, &HidProtocolService::onResponseReceived);
    connect(protocolProxy, &ProtocolProxy::commandFailed, this, &HidProtocolService::onCommandFailed);
    connect(protocolProxy, &ProtocolProxy::timeoutError, this, &HidProtocolService::onCommandTimeout);
    connect(protocolProxy, &ProtocolProxy::notifyBatteryReceived, this, &HidProtocolService::onNotifyBattery);
    connect(protocolProxy, &ProtocolProxy::notifyEqAutoReport, this, &HidProtocolService::onNotifyEqAutoReport);
    connect(protocolProxy, &ProtocolProxy::notifyNameAndHeadsetFirmwareReceived, this,
            &HidProtocolService::onNotifyNameAndHeadsetFirmware);
    connect(protocolProxy, &ProtocolProxy::notifyDongleHeadsetLinkReceived, this,
            &HidProtocolService::onNotifyDongleHeadsetLink);
    connect(protocolProxy, &ProtocolProxy::deviceInfoReceived, this, &HidProtocolService::onDeviceInfoReceived);
    connect(transport, &IHidTransport::deviceConnectionChanged, this, &HidProtocolService::onTransportConnectionChanged);
    connect(transport, &IHidTransport::commError, this, &HidProtocolService::onTransportCommError);
    connect(transport, &IHidTransport::dataSent, this, &HidProtocolService::onTransportDataSent);
    connect(discovery, &IDeviceDiscovery::deviceListUpdated, this, &HidProtocolService::onDeviceListUpdated);
}

void HidProtocolService::stopProtocolThread()
{
    if (!protocolThread || !protocolThread->isRunning())
        return;
    HidThreadStopper::stop(*protocolThread, m_durations.threadStopWaitMs, m_durations.threadStopAttempts,
                           m_durations.threadFinalWaitMs,
                           {QStringLiteral("[HID] protocol thread still running after wait %1"),
                            QStringLiteral("[HID] protocol thread did not stop after %1 waits; one more wait "
                                           "(never terminated)"),
                            QStringLiteral("[HID] protocol thread still running %1ms after the last wait"),
                            true});
}

void HidProtocolService::log(const QString &message)
{
    emit logMessage(message);
}

qint64 HidProtocolService::nowMs() const
{
    // Monotonic, so that a change of the wall clock neither blocks nor rushes
    // the throttles; offset by one so that 0 keeps meaning "never".
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

bool HidProtocolService::isReadyForCommands() const
{
    return transport && protocolProxy && transportConnected && (!validationPending || qorSession.active)
        && !transport->currentDeviceId().isEmpty();
}

quint16 HidProtocolService::protocolProductId() const
{
    return protocolValidated ? backendProductId : 0;
}

bool HidProtocolService::transportBoundTo(const QString &deviceId) const
{
    return transport && !deviceId.isEmpty() && transport->currentDeviceId() == deviceId;
}

void HidProtocolService::setTargetDevicePresent(bool present)
{
    if (targetDevicePresent == present)
        return;
    targetDevicePresent = present;
    log(QStringLiteral("[HID][State] target-device-present changed=%1").arg(present ? 1 : 0));
    emit targetDevicePresentChanged(present);
}

void HidProtocolService::setProtocolValidated(bool validated)
{
    if (protocolValidated == validated)
        return;
    if (!validated)
        backendProductId = 0;
    protocolValidated = validated;
    log(QStringLiteral("[HID][State] protocol-validated changed=%1").arg(validated ? 1 : 0));
    emit protocolValidatedChanged(validated);
}

void HidProtocolService::resetPendingCommands()
{
    lastToneVolume = -1;
    toneVolumeSetPending = false;
    pendingToneVolume = -1;
    nameSetPending = false;
    pendingName.clear();
    factoryResetPending = false;
    receiverUnbindPending = false;
}

void HidProtocolService::clearSessionState()
{
    has0B = false;
    hasFF = false;
    rxDuringValidation = 0;
    lastRxSamples.clear();
    heartbeatPendingDeviceId.clear();
    awaitingDongleLinkReport = false;
    dongleLinkDeviceId.clear();
    awaitingLinkUpBattery = false;
    linkUpDeviceId.clear();
    resetPendingCommands();
    cachedFirmwareInfo.reset();
}

void HidProtocolService::resetDeviceState()
{
    stopValidationTimer();
    validationPending = false;
    validationDeviceId.clear();
    clearSessionState();
    headsetLinkKnown = false;
}

void HidProtocolService::failOutstandingEqSends(const QString &reason)
{
    const int dropped = std::exchange(eqSendsOutstanding, 0);
    if (dropped <= 0)
        return;
    log(QStringLiteral("[HID][State] eq-send-abandoned count=%1 reason=%2").arg(dropped).arg(reason));
    for (int i = 0; i < dropped; ++i)
        emit eqSendFailed(reason);
}

QString HidProtocolService::delayedStepBlocker() const
{
    if (!transport || !protocolProxy)
        return QStringLiteral("missing-transport-or-proxy");
    if (!transportConnected)
        return QStringLiteral("transport-disconnected");
    if (validationPending)
        return QStringLiteral("validation-still-pending");
    return {};
}

void HidProtocolService::onTransportDataReceived(const QString &deviceId, const QByteArray &data, qint64 readMs)
{
    if (transport && validationPending && deviceId == validationDeviceId && deviceId == transport->currentDeviceId()) {
        ++rxDuringValidation;
        if (lastRxSamples.size() >= 3)
            lastRxSamples.removeFirst();
        lastRxSamples.append(hexDump(data));
    }

    // The first packet after a passed validation switches the heartbeat on.
    if (transportConnected && protocolProxy && !qorSession.active && !validationPending
        && !heartbeatPendingDeviceId.isEmpty() && deviceId == heartbeatPendingDeviceId) {
        protocolProxy->setHeartbeatEnabled(true);
        log(QStringLiteral("[HID] first data received, heartbeat enabled (%1)").arg(deviceId));
        log(QStringLiteral("[HID][State] heartbeat-enabled device=%1 trigger=first-packet size=%2")
                .arg(deviceId)
                .arg(data.size()));
        heartbeatPendingDeviceId.clear();
    }

    if (transport && deviceId == transport->currentDeviceId() && !qorSession.active && protocolHandler) {
        QMetaObject::invokeMethod(protocolHandler, "onIncomingData", Qt::QueuedConnection, Q_ARG(QByteArray, data),
                                  Q_ARG(qint64, readMs));
    }
}

void HidProtocolService::onOutgoingFrame(const QByteArray &frame)
{
    // The Qor decoder takes no framed traffic; whatever the handler still emits is dropped.
    if (qorSession.active)
        return;
    log(QStringLiteral("[HID][Frame][Send][Full] bytes=%1 hex=%2").arg(frame.size()).arg(hexDump(frame)));
    if (transport && transportConnected)
        transport->sendData(QStringLiteral("protocol"), frame, true);
}
