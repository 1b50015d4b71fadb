#pragma once

#include "protocol/DeviceRecords.h"
#include "protocol/EQData.h"
#include "protocol/ParsedFrame.h"
#include "protocol/ProtocolHandlerSettings.h"
#include "protocol/ProtocolTypes.h"
#include "protocol/ReassemblyBuffer.h"
#include "protocol/ReceiveReadTimes.h"
#include "protocol/RequestScheduler.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QTimer;

namespace HeadsetProtocol {

class HeartbeatController;

// The protocol engine of the headset link. Lives on a thread of its own and
// is reached only through queued calls: requests become `frameReady` frames,
// incoming data becomes responses, notifications and device records.
class ProtocolHandler : public QObject
{
    Q_OBJECT
public:
    // Results of the command operations besides a sequence number 0-15.
    static constexpr int ResultQueued = 254;
    static constexpr int ResultRefused = 255;

    explicit ProtocolHandler(QObject *parent = nullptr);
    explicit ProtocolHandler(const ProtocolHandlerSettings &settings, QObject *parent = nullptr);
    ~ProtocolHandler() override;

    Q_INVOKABLE int sendGetBasicInfo(quint8 infoType);
    Q_INVOKABLE int sendEqSettings(const HeadsetProtocol::EQData &eqData);
    Q_INVOKABLE int sendFactoryReset();
    Q_INVOKABLE int sendSetBluetoothName(const QString &name);
    Q_INVOKABLE int sendSetToneVolume(quint8 level);
    Q_INVOKABLE int sendReceiverUnbind();
    Q_INVOKABLE int sendRequest(quint16 cmd, HeadsetProtocol::CommandType type, const QByteArray &payload);

    Q_INVOKABLE void start();
    Q_INVOKABLE void resetTransportState();
    Q_INVOKABLE void setHeartbeatEnabled(bool enabled);
    Q_INVOKABLE void setHeartbeatIntervalMs(int intervalMs);
    Q_INVOKABLE void setStripReportId(bool strip);
    // One report from the transport; `readMs` is when it was read off the
    // device, on the handler's clock. Without it, the data counts as read now.
    Q_INVOKABLE void onIncomingData(const QByteArray &rawData);
    Q_INVOKABLE void onIncomingData(const QByteArray &rawData, qint64 readMs);
    // The periodic sweep: gives up on unanswered requests, expires queued
    // ones and drops stale partial messages.
    Q_INVOKABLE void cleanupTimeouts();

    const ProtocolHandlerSettings &settings() const { return m_settings; }

signals:
    void connectionValidated(HeadsetProtocol::ConnectionInfo info);
    void connectionFailed(QString reason);
    void deviceIdReceived(QString deviceId);
    void brandInfoReceived(ushort cid, ushort bid, ushort pid);
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
    void frameReady(QByteArray frame);
    void frameReceived(QByteArray frame);
    void errorOccurred(QString error);
    void crcError(QByteArray frame);
    void timeoutError(ushort cmd, uchar seqNum, QString info);
    void validationError(QString error);
    void logMessage(QString message, int level);
    void commandFailed(ushort cmd, QString error);
    void requestQueued(ushort cmd);
    void requestDequeued(ushort cmd, uchar seqNum);
    void requestSent(ushort cmd, uchar seqNum);
    void requestRejected(ushort cmd, QString reason);

private slots:
    void onCleanupTimeout();
    void onHeartbeatTimer();
    void processRemainingReceiveBuffer();

private:
    // A log line (and optionally an `errorOccurred` text) produced while the
    // mutex is held; written out once it is released.
    struct DeferredLine
    {
        QString message;
        int level = LogDebug;
        QString error;
    };
    using DeferredLog = QList<DeferredLine>;

    struct CutFrame
    {
        QByteArray frame;
        bool moreData = false; // at least a minimal frame's worth stays buffered
        qint64 readMs = 0;     // when the report that completed it was read
    };

    // ProtocolHandler.cpp: object, log, thread contract, request path, queue;
    // ProtocolHandlerCommands.cpp: the device commands.
    void registerCommand(quint16 cmd, CommandDirection direction);
    void registerMetaTypes();
    bool checkThread(const char *function, quint16 cmd = 0);
    void log(const QString &message, int level);
    void flush(const DeferredLog &lines);
    LogCallback logCallback();
    static LogCallback deferTo(DeferredLog &lines);
    qint64 now() const;
    RequestScheduler::TrySendResult attemptSend(const RequestScheduler::QueuedRequest &request, quint8 &seqOut);
    void processNextQueuedRequest();
    int refuse(quint16 cmd, const QString &text, bool viaValidation);

    // ProtocolHandlerReceive.cpp: receive buffer, frames, reassembly, sweep.
    std::optional<CutFrame> cutFrameLocked(DeferredLog &lines);
    void dropReceivedLocked(qsizetype bytes);
    void clearReceivedLocked();
    void scheduleFrame(const CutFrame &cut);
    void deferStep(std::function<void()> step);
    void processFrame(const CutFrame &cut);
    void reassemble(const ParsedFrame &frame, qint64 readMs);
    static quint32 reassemblyKey(CommandType type, quint16 cmd, quint8 seq);

    // ProtocolHandlerDispatch.cpp: complete messages by type and command.
    void dispatch(quint16 cmd, CommandType type, quint8 seq, const QByteArray &payload);
    void handleResponse(quint16 cmd, quint8 seq, const QByteArray &payload);
    void handleSuccessfulResponse(quint16 cmd, const QByteArray &data);
    void handleBasicInfo(const QByteArray &data);
    void handleDeviceNotify(const QByteArray &payload);
    void handleDongleHeadsetLink(quint8 status, const QString &source);
    void handleDeviceId(const QByteArray &data);
    void handleBrandInfo(const QByteArray &data);

    ProtocolHandlerSettings m_settings;
    QMutex m_mutex;
    quint8 m_nextSequence = 0;
    QByteArray m_receiveBuffer;
    ReceiveReadTimes m_receiveReadTimes; // of the bytes in m_receiveBuffer
    qint64 m_newestReadMs = 0;           // read time of the newest frame processed (handler's thread)
    bool m_encryptionEnabled = false;
    QByteArray m_encryptionKey;
    QTimer *m_cleanupTimer = nullptr;
    HeartbeatController *m_heartbeat = nullptr;
    bool m_stripReportId = false;
    ConnectionInfo m_connectionInfo;
    RequestScheduler::PendingTable m_pendingRequests;
    QHash<quint32, ReassemblyBuffer> m_reassemblyBuffers;
    RequestScheduler::RequestQueue m_requestQueue;
    QHash<quint16, CommandDirection> m_commandTable;
};

} // namespace HeadsetProtocol
