#pragma once

#include "protocol/DeviceRecords.h"
#include "protocol/EQData.h"
#include "protocol/ProtocolTypes.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace HeadsetProtocol {
class ProtocolHandler;
}

// The protocol handler's face on the GUI thread. Every slot posts one call to
// the handler's thread and returns at once; the handler's signals come back
// re-emitted here, queued, in the order the handler emitted them. Holds no
// state besides the handler and never waits for it.
class ProtocolProxy : public QObject
{
    Q_OBJECT
public:
    explicit ProtocolProxy(HeadsetProtocol::ProtocolHandler *handler, QObject *parent = nullptr);

public slots:
    void start();
    void setStripReportId(bool enabled);
    void setHeartbeatEnabled(bool enabled);
    void setHeartbeatIntervalMs(int ms);
    void resetTransportState();
    void sendEqSettings(const HeadsetProtocol::EQData &eqData);
    void sendFactoryReset();
    void sendReceiverUnbind();
    void sendSetToneVolume(int level);
    void sendSetBluetoothName(const QString &name);
    void sendGetBasicInfo(int infoType);

signals:
    void outgoingFrame(QByteArray frame);
    void responseReceived(ushort cmd, uchar seqNum, HeadsetProtocol::ResponseStatus status, QByteArray payload);
    void timeoutError(ushort cmd, uchar seqNum, QString info);
    void requestSent(ushort cmd, uchar seqNum);
    void commandFailed(ushort cmd, QString error);
    void logMessage(QString message, int level);
    void errorOccurred(QString error);
    void validationError(QString error);
    void deviceInfoReceived(HeadsetProtocol::DeviceInfo info);
    void notifyNameAndHeadsetFirmwareReceived(HeadsetProtocol::NotifyNameAndHeadsetFirmware data);
    void notifyBatteryReceived(HeadsetProtocol::BatteryInfo battery);
    void notifyEqAutoReport(HeadsetProtocol::EQData eqData);
    void notifyDongleHeadsetLinkReceived(uchar status);

private:
    // Runs `call` with the handler on the handler's thread, later.
    template <typename Call>
    void post(Call &&call);

    HeadsetProtocol::ProtocolHandler *m_handler = nullptr; // not owned; may be null
};
