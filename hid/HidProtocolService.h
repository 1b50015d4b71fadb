#pragma once

#include "hid/HidManagerConfig.h"
#include "hid/HidProtocolServiceDurations.h"
#include "hid/HidProtocolServiceQorDelivery.h"
#include "hid/HidProtocolServiceQorSession.h"
#include "protocol/DeviceRecords.h"
#include "protocol/DiscoveryDeviceInfo.h"
#include "protocol/EQData.h"
#include "protocol/ProtocolHandlerSettings.h"
#include "protocol/ProtocolTypes.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class HidManager;
class ProtocolProxy;
class QThread;
class QTimer;

namespace HeadsetProtocol {
class IDeviceDiscovery;
class IHidTransport;
class ProtocolHandler;
} // namespace HeadsetProtocol

// The device side of the program as the GUI thread sees it. Owns the HID
// stack, the protocol handler on a thread of its own and the proxy in front of
// it; finds the headset, proves that it speaks the framed protocol, keeps the
// link alive, offers every device command as an operation whose outcome comes
// later as one signal, and publishes what the headset reports. Never touches a
// widget; used on the GUI thread only.
//
// Sources by responsibility: HidProtocolService.cpp (object, wiring, data in
// and out), ...Probe.cpp (probing, connecting, validation), ...Commands.cpp,
// ...Link.cpp (link state, notifications, keep-alive, loss of the device),
// ...Exclusive.cpp (firmware-update access, manual disconnects),
// ...Recovery.cpp (reconnecting after a fatal communication error), ...Qor.cpp.
class HidProtocolService : public QObject
{
    Q_OBJECT
public:
    enum ProtocolValidationFailureReason {
        ValidationTimeout = 0,
        IdentityRejected = 1,
        TransportLostDuringValidation = 2,
    };
    Q_ENUM(ProtocolValidationFailureReason)

    explicit HidProtocolService(QObject *parent = nullptr);
    // Tests shorten the waits of the service, of the HID stack and of the protocol handler.
    HidProtocolService(QObject *parent, const HidProtocolServiceDurations &durations,
                       const HIDTypes::HidManagerConfig &hidConfig,
                       const HeadsetProtocol::ProtocolHandlerSettings &handlerSettings);
    ~HidProtocolService() override;

    bool isReadyForCommands() const;
    quint16 protocolProductId() const;

    // Commands: true when the request went out; the outcome comes as a signal.
    bool setToneVolume(int level);
    bool setDeviceName(const QString &name);
    bool sendFactoryReset();
    bool sendReceiverUnbind();
    bool sendEqSettings(const HeadsetProtocol::EQData &eq);
    bool queryToneVolume(const QString &reason);
    void queryBasicInfo(const QList<quint8> &infoTypes);

    // The Qor model.
    bool isQorTargetDevice() const;
    static bool isQorDevicePath(const QString &path);
    // Writes `eq` to the Qor decoder as its chain of eleven reports. False
    // when refused (no session, no device, invalid record, an EQ the encoder
    // cannot represent; `error` says why) and nothing was sent. True: the
    // outcome follows as eqSendSucceeded once every report was written, or
    // eqSendFailed when a report is not written or the device goes away.
    bool sendQorCbQaspEqChain(const HeadsetProtocol::EQData &eq, QString *error);

    // Firmware-update access and manual disconnects. Begin is false when the
    // HID stack could not let go of hidapi: the devices are dropped but not
    // handed over, and the updater must not start.
    bool beginExclusiveOtaSession();
    void endExclusiveOtaSession();
    void setAutoReconnectSuspended(bool suspended);
    void resumeAfterLegacyRecovery();
    QList<HeadsetProtocol::DiscoveryDeviceInfo> availableDevices() const;
    QString currentDeviceId() const;
    void disconnectAll();
    void disconnectDevice(const QString &deviceId);

signals:
    void logMessage(QString message);
    void targetDevicePresentChanged(bool present);
    void protocolValidatedChanged(bool validated);
    void headsetLinkChanged(bool connected);
    void headsetNameChanged(QString name);
    void headsetBatteryChanged(int batteryPercentage);
    void headsetToneVolumeChanged(int level);
    void toneVolumeSetSucceeded(int level);
    void toneVolumeSetFailed(int level, QString reason);
    void deviceNameSetSucceeded(QString name);
    void deviceNameSetFailed(QString name, QString reason);
    void factoryResetSucceeded();
    void factoryResetFailed(QString reason);
    void receiverUnbindSucceeded();
    void receiverUnbindFailed(QString reason);
    void firmwareInfoChanged(HeadsetProtocol::FirmwareInfo info);
    void eqSendSucceeded();
    void eqSendFailed(QString reason);
    void protocolValidationFailed(QString deviceId, HidProtocolService::ProtocolValidationFailureReason reason);
    void qorQaspBypassSessionChanged(bool active);

private slots:
    void onTransportDataReceived(const QString &deviceId, const QByteArray &data, qint64 readMs);
    void onOutgoingFrame(const QByteArray &frame);
    void onResponseReceived(ushort cmd, uchar seqNum, HeadsetProtocol::ResponseStatus status, const QByteArray &payload);
    void onCommandFailed(ushort cmd, const QString &error);
    void onCommandTimeout(ushort cmd, uchar seqNum, const QString &info);
    void onNotifyBattery(const HeadsetProtocol::BatteryInfo &battery);
    void onNotifyEqAutoReport(const HeadsetProtocol::EQData &eq);
    void onNotifyNameAndHeadsetFirmware(const HeadsetProtocol::NotifyNameAndHeadsetFirmware &data);
    void onNotifyDongleHeadsetLink(uchar status);
    void onDeviceInfoReceived(const HeadsetProtocol::DeviceInfo &info);
    void onTransportConnectionChanged(const QString &deviceId, bool connected);
    void onTransportCommError(const QString &deviceId, const QString &error, bool isFatal);
    void onDeviceListUpdated(const QList<HeadsetProtocol::DiscoveryDeviceInfo> &devices);
    void onValidationTimeout();
    void onTransportDataSent(const QString &dataId, bool success, int bytes);

private:
    // How a command outcome came in.
    enum class Outcome { Response, CommandFailed, Timeout };

    // HidProtocolService.cpp
    void wire();
    void stopProtocolThread();
    void log(const QString &message);
    void setTargetDevicePresent(bool present);
    void setProtocolValidated(bool validated);
    bool transportBoundTo(const QString &deviceId) const;
    void resetPendingCommands();
    void clearSessionState(); // what one device session gathered
    void resetDeviceState();  // the reset of the state without its two closing calls
    // EQ requests whose answer the link reset took away: each gets its failure.
    void failOutstandingEqSends(const QString &reason);
    // Why a delayed step cannot run now ("transport-disconnected", ...); empty when it can.
    QString delayedStepBlocker() const;
    qint64 nowMs() const;

    // HidProtocolServiceProbe.cpp
    void autoProbe();
    void tryAutoConnect(const QList<HeadsetProtocol::DiscoveryDeviceInfo> &devices, const QString &reason);
    void primeConnection(const QString &deviceId, const QString &reason);
    void sendValidationQueries();
    void armValidationTimer();
    void stopValidationTimer();
    bool handleValidationReply(const HeadsetProtocol::DeviceInfo &info);
    void evaluateValidation(const QString &deviceId);
    void abortValidationIfPending(const QString &deviceId, const QString &logLine);

    // HidProtocolServiceCommands.cpp
    bool commandGate() const;
    void handleCommandOutcome(ushort cmd, Outcome how, bool success, const QString &text, const QByteArray &payload);
    void logEqEcho(const QByteArray &payload);
    void armFactoryResetFollowUps(const QList<int> &delaysMs, const QString &reason);
    void scheduleBasicInfoQuery(const QString &deviceId, quint8 infoType, int delayMs);

    // HidProtocolServiceLink.cpp
    void setHeadsetLinkConnected(bool connected, const QString &reason);
    void publishDeviceInfo(const HeadsetProtocol::DeviceInfo &info);
    void queryDongleLink(const QString &deviceId);
    void heartbeatFallback(const QString &deviceId);
    void handleTransportDisconnected(const QString &deviceId);

    // HidProtocolServiceExclusive.cpp
    void manualDisconnect(const QString &deviceId, bool all);

    // HidProtocolServiceRecovery.cpp
    void armCommFaultReconnect(const QString &deviceId);
    void commFaultReconnect(const QString &deviceId, int generation);
    void cancelCommFaultReconnect(); // and a running healthy period
    // A device reconnected after a fault passed: it gets its tries back once
    // it has kept its link for the healthy period.
    void startCommFaultHealthyPeriod(const QString &deviceId);
    void commFaultHealthyCheck(const QString &deviceId, int generation);
    // The link of a device in its healthy period ended; `byFault`: a fatal
    // error ended it, and its try failed.
    void endCommFaultHealthyPeriod(bool byFault);

    // HidProtocolServiceQor.cpp
    void reportQorOutcome(const HidProtocolServiceQorDelivery::Outcome &outcome, const QString &failure);
    void failQorChains(const QString &reason);
    void failQorChainsOfOtherDevices(const QString &connectedDeviceId);

    HidProtocolServiceDurations m_durations;

    // Owned objects, in creation order.
    HidManager *hidManager = nullptr;
    HeadsetProtocol::IHidTransport *transport = nullptr;
    HeadsetProtocol::IDeviceDiscovery *discovery = nullptr;
    HeadsetProtocol::ProtocolHandler *protocolHandler = nullptr; // lives on protocolThread
    ProtocolProxy *protocolProxy = nullptr;
    QThread *protocolThread = nullptr;

    bool transportConnected = false;
    QString lastPrimeDeviceId;
    qint64 lastPrimeAtMs = 0;
    QString heartbeatPendingDeviceId;
    bool autoConnectInProgress = false;
    qint64 lastAutoConnectAtMs = 0;
    bool autoReconnectSuspended = false;
    bool exclusiveOtaActive = false;
    bool validationPending = false;
    QString validationDeviceId;
    int validationAttempt = 0;
    QTimer *validationTimer = nullptr;
    QString validationTimerDeviceId;
    bool has0B = false;
    bool hasFF = false;
    quint16 identityCid = 0;
    quint16 identityBid = 0;
    quint16 identityPid = 0;
    quint16 backendProductId = 0;
    int rxDuringValidation = 0;
    QStringList lastRxSamples;
    bool awaitingDongleLinkReport = false;
    QString dongleLinkDeviceId;
    bool targetDevicePresent = false;
    bool protocolValidated = false;
    bool headsetLinkConnected = false;
    bool headsetLinkKnown = false;
    bool awaitingLinkUpBattery = false;
    QString linkUpDeviceId;
    int lastToneVolume = -1;
    bool postResetRefreshPending = false;
    int factoryResetGeneration = 0;
    bool toneVolumeSetPending = false;
    int pendingToneVolume = -1;
    bool nameSetPending = false;
    QString pendingName;
    bool factoryResetPending = false;
    bool receiverUnbindPending = false;
    std::optional<HeadsetProtocol::FirmwareInfo> cachedFirmwareInfo;
    HidProtocolServiceQorSession qorSession;

    // EQ requests posted and not yet answered. A reset of the link fails them
    // at once (their answers went with the protocol handler's state), and
    // outcomes are reported only while one is outstanding, so that whatever
    // the protocol thread still had on its way is not a second outcome.
    int eqSendsOutstanding = 0;
    // A fatal communication error takes the device down through a disconnect
    // report that follows it; that device is then connected again. Each try
    // counts (commFaultTries) until the device, once passed (for the Qor
    // decoder: an EQ chain written in full), has kept its link for the
    // healthy period; past the limit the device waits for a change of the
    // device list.
    QString commFaultDeviceId;
    int commFaultTries = 0;
    int commFaultGeneration = 0; // a pending try runs only while this is unchanged
    QString commFaultHealthyDeviceId; // in its healthy period; empty when none runs
    qint64 commFaultHealthySinceMs = 0;
    int commFaultHealthyGeneration = 0; // the period's end counts only while this is unchanged

    // A failure response is followed by a commandFailed for the same command;
    // that echo is not a second outcome.
    QHash<ushort, int> failureEchoesExpected;

    // Qor EQ chains between the transport's queue and the device.
    HidProtocolServiceQorDelivery qorDelivery;
    bool qorHandingOver = false;
    bool qorRefusalDropsOldest = false;
};
