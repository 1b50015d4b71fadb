// HidProtocolService: the device commands and their outcomes.
#include "hid/HidProtocolService.h"

#include "hid/HidProtocolServiceFormat.h"
#include "hid/ProtocolProxy.h"
#include "protocol/Commands.h"
#include "protocol/IHidTransport.h"
#include "protocol/TlvParser.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace Command = HeadsetProtocol::Command;
using HidProtocolServiceFormat::hex2;
using HidProtocolServiceFormat::hexDump;

namespace {

constexpr int kMaxNameBytes = 31;
constexpr int kInfoTypeToneVolume = 0x06;

// One text per band up to the shortest of the four band lists.
QStringList bandTexts(const HeadsetProtocol::EQData &eq)
{
    const std::size_t bands =
        std::min({eq.frequencies.size(), eq.gains.size(), eq.qValues.size(), eq.filterTypes.size()});
    QStringList texts;
    for (std::size_t i = 0; i < bands; ++i) {
        texts.append(QStringLiteral("#%1 freq=%2Hz gain=%3dB q=%4 type=0x%5")
                         .arg(i)
                         .arg(eq.frequencies[i])
                         .arg(eq.gains[i] / 100.0, 0, 'f', 2)
                         .arg(eq.qValues[i] / 100.0, 0, 'f', 2)
                         .arg(hex2(eq.filterTypes[i])));
    }
    return texts;
}

QString eqSummary(const HeadsetProtocol::EQData &eq)
{
    return QStringLiteral("index=0x%1 bands=%2 totalGain(raw)=%3 totalGain(dB)=%4")
        .arg(hex2(eq.index))
        .arg(eq.bandCount)
        .arg(eq.totalGain)
        .arg(eq.totalGain / 10.0, 0, 'f', 1);
}

QString reasonOr(const QString &text, const char *fixed)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? QString::fromLatin1(fixed) : trimmed;
}

} // namespace

bool HidProtocolService::commandGate() const
{
    return transport && protocolProxy && !qorSession.active && transportConnected && !validationPending
        && !transport->currentDeviceId().isEmpty();
}

bool HidProtocolService::setToneVolume(int level)
{
    if (!commandGate() || level < 1 || level > 7 || toneVolumeSetPending)
        return false;
    toneVolumeSetPending = true;
    pendingToneVolume = level;
    protocolProxy->sendSetToneVolume(level);
    log(QStringLiteral("[HID][State] send-tone-volume device=%1 level=%2").arg(transport->currentDeviceId()).arg(level));
    return true;
}

bool HidProtocolService::setDeviceName(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (!commandGate() || trimmed.isEmpty() || trimmed.toUtf8().size() > kMaxNameBytes || nameSetPending)
        return false;
    nameSetPending = true;
    pendingName = trimmed;
    protocolProxy->sendSetBluetoothName(trimmed);
    log(QStringLiteral("[HID][State] send-device-name device=%1 name=\"%2\"").arg(transport->currentDeviceId(), trimmed));
    return true;
}

bool HidProtocolService::sendFactoryReset()
{
    if (!commandGate() || factoryResetPending)
        return false;
    factoryResetPending = true;
    protocolProxy->sendFactoryReset();
    log(QStringLiteral("[HID][State] send-factory-reset device=%1").arg(transport->currentDeviceId()));
    return true;
}

bool HidProtocolService::sendReceiverUnbind()
{
    if (!commandGate() || receiverUnbindPending)
        return false;
    receiverUnbindPending = true;
    protocolProxy->sendReceiverUnbind();
    log(QStringLiteral("[HID][State] send-receiver-unbind device=%1").arg(transport->currentDeviceId()));
    return true;
}

bool HidProtocolService::sendEqSettings(const HeadsetProtocol::EQData &eq)
{
    if (!commandGate() || !HeadsetProtocol::validateEQData(eq))
        return false;
    const QStringList bands = bandTexts(eq);
    const QByteArray tlv = HeadsetProtocol::serializeEQData(eq); // for the log only
    log(QStringLiteral("[HID][EQ][Send] %1").arg(eqSummary(eq)).toUpper());
    for (const QString &band : bands)
        log(QStringLiteral("[HID][EQ][Send] %1").arg(band));
    log(QStringLiteral("[HID][EQ][Send][TLV] %1").arg(hexDump(tlv)));

    ++eqSendsOutstanding;
    protocolProxy->sendEqSettings(eq);
    log(QStringLiteral("[HID][State] send-eq-settings device=%1 index=0x%2 bands=%3")
            .arg(transport->currentDeviceId(), hex2(eq.index))
            .arg(eq.bandCount)
            .toUpper());
    return true;
}

bool HidProtocolService::queryToneVolume(const QString &reason)
{
    if (!commandGate() || !headsetLinkConnected)
        return false;
    protocolProxy->sendGetBasicInfo(kInfoTypeToneVolume);
    log(QStringLiteral("[HID][State] query-tone-volume reason=%1 device=%2").arg(reason, transport->currentDeviceId()));
    return true;
}

void HidProtocolService::queryBasicInfo(const QList<quint8> &infoTypes)
{
    if (!commandGate())
        return;
    const QString deviceId = transport->currentDeviceId();
    for (int i = 0; i < infoTypes.size(); ++i)
        scheduleBasicInfoQuery(deviceId, infoTypes.at(i), m_durations.basicInfoQuerySpacingMs * i);
}

void HidProtocolService::scheduleBasicInfoQuery(const QString &deviceId, quint8 infoType, int delayMs)
{
    QTimer::singleShot(delayMs, this, [this, deviceId, infoType] {
        if (!transport || !protocolProxy || qorSession.active || !transportConnected || validationPending
            || transport->currentDeviceId() != deviceId) {
            return;
        }
        protocolProxy->sendGetBasicInfo(infoType);
        log(QStringLiteral("[HID][State] async-basic-info-query device=%1 type=0x%2")
                .arg(deviceId, hex2(infoType))
                .toUpper());
    });
}

void HidProtocolService::onResponseReceived(ushort cmd, uchar, HeadsetProtocol::ResponseStatus status,
                                            const QByteArray &payload)
{
    const bool success = status == HeadsetProtocol::ResponseStatus::Success;
    // The handler follows a failure response with commandFailed for the same
    // command; that is the same outcome told twice.
    if (!success)
        ++failureEchoesExpected[cmd];
    handleCommandOutcome(cmd, Outcome::Response, success, {}, payload);
}

void HidProtocolService::onCommandFailed(ushort cmd, const QString &error)
{
    if (auto it = failureEchoesExpected.find(cmd); it != failureEchoesExpected.end()) {
        if (--it.value() <= 0)
            failureEchoesExpected.erase(it);
        return;
    }
    handleCommandOutcome(cmd, Outcome::CommandFailed, false, error, {});
}

void HidProtocolService::onCommandTimeout(ushort cmd, uchar, const QString &info)
{
    handleCommandOutcome(cmd, Outcome::Timeout, false, info, {});
}

void HidProtocolService::handleCommandOutcome(ushort cmd, Outcome how, bool success, const QString &text,
                                              const QByteArray &payload)
{
    // The log line "[HID][State] <key> <what>[ <subject>][ error=|info=<text>]"
    // and the failure reason: the device's refusal, else the protocol layer's
    // text, else the fixed text.
    struct Texts
    {
        const char *key;
        const char *rejected;
        const char *failed;
        const char *timedOut;
    };
    const auto resolve = [&](const Texts &t, const QString &subject, QString &reason) {
        const char *what = success ? "success"
                           : how == Outcome::Response      ? "failure"
                           : how == Outcome::CommandFailed ? "command-failed"
                                                           : "timeout";
        QString line = QStringLiteral("[HID][State] %1 %2").arg(QLatin1String(t.key), QLatin1String(what));
        if (!subject.isEmpty())
            line += QLatin1Char(' ') + subject;
        if (how == Outcome::CommandFailed)
            line += QStringLiteral(" error=") + text;
        else if (how == Outcome::Timeout)
            line += QStringLiteral(" info=") + text;
        reason = how == Outcome::Response        ? QString::fromLatin1(t.rejected)
                 : how == Outcome::CommandFailed ? reasonOr(text, t.failed)
                                                 : reasonOr(text, t.timedOut);
        log(line);
    };
    QString reason;

    switch (cmd) {
    case Command::ToneVolume: {
        if (!toneVolumeSetPending)
            return;
        const int level = std::exchange(pendingToneVolume, -1);
        toneVolumeSetPending = false;
        resolve({"tone-volume-set", "device rejected tone volume", "tone volume command failed",
                 "tone volume command timeout"},
                QStringLiteral("level=%1").arg(level), reason);
        if (success)
            emit toneVolumeSetSucceeded(level);
        else
            emit toneVolumeSetFailed(level, reason);
        return;
    }
    case Command::BluetoothName: {
        if (!nameSetPending)
            return;
        const QString name = std::exchange(pendingName, QString());
        nameSetPending = false;
        resolve({"device-name-set", "device rejected bluetooth name", "set bluetooth name failed",
                 "set bluetooth name timeout"},
                QStringLiteral("name=\"%1\"").arg(name), reason);
        if (success)
            emit deviceNameSetSucceeded(name);
        else
            emit deviceNameSetFailed(name, reason);
        return;
    }
    case Command::FactoryReset:
        if (!factoryResetPending)
            return;
        factoryResetPending = false;
        resolve({"factory-reset", "device rejected factory reset", "factory reset command failed",
                 "factory reset command timeout"},
                {}, reason);
        if (!success) {
            emit factoryResetFailed(reason);
            return;
        }
        ++factoryResetGeneration;
        postResetRefreshPending = true;
        lastToneVolume = -1; // the next reply is published even when unchanged
        log(QStringLiteral("[HID][State] post-factory-reset tone-volume refresh armed"));
        armFactoryResetFollowUps(m_durations.factoryResetFallbackDelaysMs, QStringLiteral("post-factory-reset-fallback"));
        emit factoryResetSucceeded();
        return;
    case Command::ReceiverUnbind:
        if (!receiverUnbindPending)
            return;
        receiverUnbindPending = false;
        resolve({"receiver-unbind", "device rejected receiver unbind", "receiver unbind command failed",
                 "receiver unbind command timeout"},
                {}, reason);
        if (success)
            emit receiverUnbindSucceeded();
        else
            emit receiverUnbindFailed(reason);
        return;
    case Command::EqSettings:
        // EQ sends may overlap; each posted one has exactly one outcome, and
        // none once the link was reset.
        if (eqSendsOutstanding <= 0)
            return;
        --eqSendsOutstanding;
        if (success) {
            logEqEcho(payload);
            log(QStringLiteral("[HID][State] eq-send-response success"));
            emit eqSendSucceeded();
        } else if (how == Outcome::Response) {
            log(QStringLiteral("[HID][State] eq-send-response failure"));
            emit eqSendFailed(QStringLiteral("device rejected eq settings"));
        } else if (how == Outcome::Timeout) {
            log(QStringLiteral("[HID][State] eq-send-timeout info=%1").arg(text));
            emit eqSendFailed(reasonOr(text, "eq command timeout"));
        } else {
            log(QStringLiteral("[HID][State] eq-send-command-failed error=%1").arg(text));
            emit eqSendFailed(reasonOr(text, "eq command failed"));
        }
        return;
    default:
        return;
    }
}

void HidProtocolService::logEqEcho(const QByteArray &payload)
{
    log(QStringLiteral("[HID][EQ][Response][TLV] %1").arg(hexDump(payload)));
    HeadsetProtocol::TlvParser parser(payload);
    if (!parser.parse())
        return;
    const std::optional<HeadsetProtocol::EQData> eq = HeadsetProtocol::parseEQData(parser);
    if (!eq)
        return;
    log(QStringLiteral("[HID][EQ][Response] %1").arg(eqSummary(*eq)).toUpper());
    for (const QString &band : bandTexts(*eq))
        log(QStringLiteral("[HID][EQ][Response] %1").arg(band));
}

void HidProtocolService::armFactoryResetFollowUps(const QList<int> &delaysMs, const QString &reason)
{
    const int generation = factoryResetGeneration;
    for (const int delay : delaysMs) {
        QTimer::singleShot(delay, this, [this, generation, reason] {
            if (generation == factoryResetGeneration)
                queryToneVolume(reason);
        });
    }
}
