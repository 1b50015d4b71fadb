// Dispatch side of ProtocolHandler: complete messages by frame type, responses
// matched to their requests and decoded per command, device notifications.
#include "protocol/ProtocolHandler.h"

#include "protocol/Commands.h"
#include "protocol/DeviceRecordCodec.h"
#include "protocol/HeartbeatController.h"
#include "protocol/TlvParser.h"

#include <QMutexLocker>

namespace HeadsetProtocol {

namespace {

// Commands whose reply opens with a status byte (0 success, 1 failure).
bool hasStatusByte(quint16 cmd)
{
    return cmd >= Command::FactoryReset && cmd <= Command::ReceiverUnbind;
}

QString statusName(ResponseStatus status)
{
    return status == ResponseStatus::Success ? QStringLiteral("Success") : QStringLiteral("Failure");
}

QString payloadPreview(const QByteArray &payload)
{
    if (payload.isEmpty())
        return QStringLiteral("-");
    return QString::fromLatin1(payload.left(32).toHex(' ').toUpper());
}

QString failureText(quint16 cmd, const QByteArray &data)
{
    QString text = QStringLiteral("Command 0x%1 failed").arg(hex(cmd));
    if (data.size() == 1)
        return text + QStringLiteral(" with error code: 0x%1").arg(hex(static_cast<quint8>(data[0])));
    if (data.isEmpty())
        return text;
    const QString reason = QString::fromUtf8(data);
    if (!reason.isEmpty() && reason.size() < 100)
        return text + QStringLiteral(": %1").arg(reason);
    return text + QStringLiteral(" (payload: %1 bytes)").arg(data.size());
}

quint16 le16(const QByteArray &data, qsizetype offset)
{
    return static_cast<quint16>(static_cast<quint8>(data[offset]) | (static_cast<quint8>(data[offset + 1]) << 8));
}

} // namespace

void ProtocolHandler::dispatch(quint16 cmd, CommandType type, quint8 seq, const QByteArray &payload)
{
    switch (type) {
    case CommandType::Request:
        emit requestReceived(cmd, seq, payload);
        break;
    case CommandType::Response:
        handleResponse(cmd, seq, payload);
        break;
    case CommandType::Notify:
        emit notifyReceived(cmd, payload);
        if (cmd == Command::DeviceNotify)
            handleDeviceNotify(payload);
        else
            log(QStringLiteral("Unhandled notify: 0x%1").arg(hex(cmd)), LogWarning);
        break;
    }
}

void ProtocolHandler::handleResponse(quint16 cmd, quint8 seq, const QByteArray &payload)
{
    std::optional<RequestScheduler::PendingRequest> entry;
    {
        QMutexLocker locker(&m_mutex);
        const auto it = m_pendingRequests.find(RequestScheduler::pendingKey(cmd, seq));
        if (it != m_pendingRequests.end()) {
            entry = it.value();
            m_pendingRequests.erase(it);
        }
    }
    if (!entry) {
        if (cmd == Command::Heartbeat) {
            log(QStringLiteral("Heartbeat 0x27: device sent Response (ignored, host does not await ack)"), LogWarning);
            return;
        }
        log(QStringLiteral("Received response for unknown request. Cmd: 0x%1, Seq: %2, PayloadLen:%3, PayloadPreview:%4")
                .arg(hex(cmd))
                .arg(seq)
                .arg(payload.size())
                .arg(payloadPreview(payload)),
            LogWarning);
        return;
    }

    const qint64 elapsed = now() - entry->sentAtMs;
    ResponseStatus status = ResponseStatus::Success;
    QByteArray data = payload;
    if (hasStatusByte(cmd) && !payload.isEmpty()) {
        const quint8 code = static_cast<quint8>(payload[0]);
        if (code <= 1) {
            status = code == 0 ? ResponseStatus::Success : ResponseStatus::Failure;
            data = payload.mid(1);
            log(QStringLiteral("Response with status. Cmd: 0x%1, Status: %2").arg(hex(cmd), statusName(status)),
                LogWarning);
        } else {
            status = ResponseStatus::Failure;
            const QString text =
                QStringLiteral("Invalid status code in response for cmd 0x%1: 0x%2").arg(hex(cmd), hex(code));
            log(text, LogError);
            emit errorOccurred(text);
        }
    }

    log(QStringLiteral("Response received. Cmd: 0x%1, Seq: %2, Status: %3, Elapsed: %4ms, Info: %5")
            .arg(hex(cmd))
            .arg(seq)
            .arg(statusName(status))
            .arg(elapsed)
            .arg(entry->info),
        LogInfo);
    emit responseReceived(cmd, seq, status, data);

    if (status == ResponseStatus::Failure) {
        const QString text = failureText(cmd, data);
        log(text, LogError);
        emit errorOccurred(text);
        emit commandFailed(cmd, text);
    } else {
        handleSuccessfulResponse(cmd, data);
    }
    processNextQueuedRequest();
}

void ProtocolHandler::handleSuccessfulResponse(quint16 cmd, const QByteArray &data)
{
    switch (cmd) {
    case Command::GetBasicInfo:
        handleBasicInfo(data);
        return;
    case Command::EqSettings: {
        TlvParser parser(data);
        if (!parser.parse()) {
            log(QStringLiteral("Failed to parse EQ settings TLV"), LogWarning);
            return;
        }
        if (const std::optional<EQData> eq = parseEQData(parser))
            emit eqDataReceived(*eq);
        else
            log(QStringLiteral("Failed to extract EQ data from TLV"), LogWarning);
        return;
    }
    case Command::FactoryReset:
    case Command::BluetoothName:
    case Command::ToneVolume:
    case Command::StatusOnly:
    case Command::ReceiverUnbind:
        log(QStringLiteral("Command 0x%1 executed successfully").arg(hex(cmd)), LogInfo);
        return;
    case Command::Surround:
        log(QStringLiteral("Surround sound command executed successfully"), LogInfo);
        return;
    case Command::Heartbeat:
        return;
    case Command::DeviceId:
        handleDeviceId(data);
        return;
    case Command::BrandInfo:
        handleBrandInfo(data);
        return;
    default:
        log(QStringLiteral("Unhandled command response: 0x%1").arg(hex(cmd)), LogWarning);
        return;
    }
}

void ProtocolHandler::handleBasicInfo(const QByteArray &data)
{
    TlvParser parser(data);
    if (!parser.parse()) {
        const QString text = QStringLiteral("Failed to parse device info TLV");
        log(text, LogError);
        emit errorOccurred(text);
        return;
    }
    const std::optional<DeviceInfo> info = parseDeviceInfo(parser);
    if (!info) {
        const QString text = QStringLiteral("Failed to extract device info from TLV");
        log(text, LogError);
        emit errorOccurred(text);
        return;
    }
    if (!isValidDeviceInfo(*info))
        log(QStringLiteral("Received incomplete or invalid device info"), LogWarning);

    emit deviceInfoReceived(*info);
    if (info->firmware)
        emit firmwareInfoReceived(*info->firmware);
    if (info->deviceIdInfo)
        emit deviceIdInfoReceived(*info->deviceIdInfo);
    if (info->surround)
        emit surroundSoundConfigReceived(*info->surround);
    if (info->dongleHeadsetLink)
        handleDongleHeadsetLink(*info->dongleHeadsetLink, QStringLiteral("GetBasicInfo(TLV0x09)"));
}

void ProtocolHandler::handleDeviceNotify(const QByteArray &payload)
{
    TlvParser parser(payload);
    if (!parser.parse()) {
        log(QStringLiteral("Failed to parse device notify TLV"), LogWarning);
        return;
    }

    if (const auto item = parser.find(0x01))
        emit notifyBatteryReceived(batteryFromBytes(item->valueBytes()));

    if (const auto item = parser.find(0x02)) {
        TlvParser nested(item->value);
        if (nested.parse()) {
            if (const std::optional<EQData> eq = parseEQData(nested))
                emit notifyEqAutoReport(*eq);
            else
                log(QStringLiteral("Failed to parse EQ data from notify"), LogWarning);
        }
    }

    if (const auto item = parser.find(0x07)) {
        TlvParser nested(item->value);
        if (nested.parse()) {
            if (const auto config = parseSurroundSoundConfig(nested))
                emit surroundSoundConfigReceived(*config);
        }
    }

    if (const auto item = parser.find(0x03)) {
        if (const auto data = parseNotifyNameAndHeadsetFirmware(item->value))
            emit notifyNameAndHeadsetFirmwareReceived(*data);
        else
            log(QStringLiteral("0x11 TLV 0x03 present but parseNotifyNameAndHeadsetFirmware failed"), LogWarning);
    }

    if (const auto item = parser.find(0x04)) {
        if (item->value.isEmpty()) {
            log(QStringLiteral("0x11 TLV 0x04 present but empty"), LogWarning);
        } else {
            const quint8 status = static_cast<quint8>(item->value[0]);
            if (status <= 1) {
                handleDongleHeadsetLink(status, QStringLiteral("Notify(TLV0x04)"));
                emit notifyDongleHeadsetLinkReceived(status);
            } else {
                log(QStringLiteral("0x11 TLV 0x04 invalid value: 0x%1").arg(status, 2, 16, QLatin1Char('0')), LogWarning);
            }
        }
    }
}

void ProtocolHandler::handleDongleHeadsetLink(quint8 status, const QString &source)
{
    const int result = m_heartbeat->updateLinkState(status);
    if (result == HeartbeatController::LinkBecameUp) {
        log(m_heartbeat->isEnabled() ? QStringLiteral("Dongle/headset link connected (%1), heartbeat resumed").arg(source)
                                     : QStringLiteral("Dongle/headset link connected (%1)").arg(source),
            LogInfo);
    } else if (result == HeartbeatController::LinkBecameDown) {
        log(QStringLiteral("Dongle/headset link disconnected (%1), heartbeat paused").arg(source), LogInfo);
    }
}

// Nothing in the program asks for the device id or the brand info; a reply
// that does arrive for them is decoded and reported all the same.
void ProtocolHandler::handleDeviceId(const QByteArray &data)
{
    const QString deviceId = QString::fromUtf8(data).trimmed();
    if (deviceId.isEmpty()) {
        const QString text = QStringLiteral("Device id reply is empty");
        log(text, LogWarning);
        emit connectionFailed(text);
        return;
    }
    m_connectionInfo.deviceId = deviceId;
    emit deviceIdReceived(deviceId);
}

void ProtocolHandler::handleBrandInfo(const QByteArray &data)
{
    if (data.size() < 6) {
        const QString text = QStringLiteral("Brand info reply too short: %1 bytes").arg(data.size());
        log(text, LogWarning);
        emit connectionFailed(text);
        return;
    }
    m_connectionInfo.cid = le16(data, 0);
    m_connectionInfo.bid = le16(data, 2);
    m_connectionInfo.pid = le16(data, 4);
    emit brandInfoReceived(m_connectionInfo.cid, m_connectionInfo.bid, m_connectionInfo.pid);
}

} // namespace HeadsetProtocol
