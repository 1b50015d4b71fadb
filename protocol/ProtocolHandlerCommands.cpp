// The device commands of ProtocolHandler: argument checks, then the common request path.
#include "protocol/ProtocolHandler.h"

#include "protocol/Commands.h"

namespace HeadsetProtocol {

namespace {

constexpr int MaxBluetoothNameBytes = 31;

bool isValidInfoType(quint8 infoType)
{
    return (infoType >= 0x01 && infoType <= 0x09) || infoType == 0x0B || infoType == 0xFF;
}

} // namespace

int ProtocolHandler::sendGetBasicInfo(quint8 infoType)
{
    if (!isValidInfoType(infoType)) {
        emit validationError(QStringLiteral("Invalid info type: 0x%1").arg(hex(infoType)));
        return ResultRefused;
    }
    QByteArray payload(2, '\0');
    payload[0] = static_cast<char>(infoType);
    return sendRequest(Command::GetBasicInfo, CommandType::Request, payload);
}

int ProtocolHandler::sendEqSettings(const EQData &eqData)
{
    if (!validateEQData(eqData)) {
        emit validationError(QStringLiteral("Invalid EQ data"));
        return ResultRefused;
    }
    const QByteArray payload = serializeEQData(eqData);
    if (payload.isEmpty()) {
        const QString text = QStringLiteral("Failed to serialize EQ data");
        log(text, LogError);
        emit errorOccurred(text);
        return ResultRefused;
    }
    return sendRequest(Command::EqSettings, CommandType::Request, payload);
}

int ProtocolHandler::sendFactoryReset()
{
    return sendRequest(Command::FactoryReset, CommandType::Request, {});
}

int ProtocolHandler::sendSetBluetoothName(const QString &name)
{
    const QByteArray utf8 = name.toUtf8();
    if (utf8.isEmpty() || utf8.size() > MaxBluetoothNameBytes) {
        emit validationError(
            QStringLiteral("Invalid Bluetooth name UTF-8 length: %1 (max %2 bytes)").arg(utf8.size()).arg(MaxBluetoothNameBytes));
        return ResultRefused;
    }
    return sendRequest(Command::BluetoothName, CommandType::Request, utf8);
}

int ProtocolHandler::sendSetToneVolume(quint8 level)
{
    if (level < 1 || level > 7) {
        emit validationError(QStringLiteral("Tone volume level must be 1-7, got: %1").arg(level));
        return ResultRefused;
    }
    return sendRequest(Command::ToneVolume, CommandType::Request, QByteArray(1, char(level)));
}

int ProtocolHandler::sendReceiverUnbind()
{
    return sendRequest(Command::ReceiverUnbind, CommandType::Request, {});
}

} // namespace HeadsetProtocol
