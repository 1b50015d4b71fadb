#pragma once

#include "protocol/ProtocolHandler.h"

#include <QObject>

// Re-emits a handler's signals on the thread the probe lives on, so that
// QSignalSpy can watch a handler that runs on another thread.
class HandlerProbe : public QObject
{
    Q_OBJECT
public:
    explicit HandlerProbe(HeadsetProtocol::ProtocolHandler *handler, QObject *parent = nullptr);

signals:
    void requestReceived(ushort cmd, uchar seqNum, QByteArray payload);
    void responseReceived(ushort cmd, uchar seqNum, HeadsetProtocol::ResponseStatus status, QByteArray payload);
    void notifyReceived(ushort cmd, QByteArray payload);
    void deviceInfoReceived(HeadsetProtocol::DeviceInfo info);
    void eqDataReceived(HeadsetProtocol::EQData eqData);
    void firmwareInfoReceived(HeadsetProtocol::FirmwareInfo info);
    void deviceIdInfoReceived(HeadsetProtocol::DeviceIdInfo info);
    void surroundSoundConfigReceived(HeadsetProtocol::SurroundSoundConfig config);
    void notifyNameAndHeadsetFirmwareReceived(HeadsetProtocol::NotifyNameAndHeadsetFirmware data);
    void notifyBatteryReceived(HeadsetProtocol::BatteryInfo battery);
    void notifyEqAutoReport(HeadsetProtocol::EQData eqData);
    void notifyDongleHeadsetLinkReceived(uchar status);
    void errorOccurred(QString error);
    void crcError(QByteArray frame);
    void timeoutError(ushort cmd, uchar seqNum, QString info);
    void commandFailed(ushort cmd, QString error);
    void requestQueued(ushort cmd);
    void requestDequeued(ushort cmd, uchar seqNum);
    void requestSent(ushort cmd, uchar seqNum);
    void requestRejected(ushort cmd, QString reason);
};
