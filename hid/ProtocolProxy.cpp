#include "hid/ProtocolProxy.h"

#include "protocol/ProtocolHandler.h"

#include <QMetaObject>

#include <algorithm>
#include <utility>

using HeadsetProtocol::ProtocolHandler;

ProtocolProxy::ProtocolProxy(ProtocolHandler *handler, QObject *parent) : QObject(parent), m_handler(handler)
{
    if (!m_handler)
        return;
    // Automatic connections: queued from the handler's thread, in emission order.
    connect(m_handler, &ProtocolHandler::responseReceived, this, &ProtocolProxy::responseReceived);
    connect(m_handler, &ProtocolHandler::timeoutError, this, &ProtocolProxy::timeoutError);
    connect(m_handler, &ProtocolHandler::requestSent, this, &ProtocolProxy::requestSent);
    connect(m_handler, &ProtocolHandler::commandFailed, this, &ProtocolProxy::commandFailed);
    connect(m_handler, &ProtocolHandler::logMessage, this, &ProtocolProxy::logMessage);
    connect(m_handler, &ProtocolHandler::errorOccurred, this, &ProtocolProxy::errorOccurred);
    connect(m_handler, &ProtocolHandler::deviceInfoReceived, this, &ProtocolProxy::deviceInfoReceived);
    connect(m_handler, &ProtocolHandler::notifyNameAndHeadsetFirmwareReceived, this,
            &ProtocolProxy::notifyNameAndHeadsetFirmwareReceived);
    connect(m_handler, &ProtocolHandler::notifyBatteryReceived, this, &ProtocolProxy::notifyBatteryReceived);
    connect(m_handler, &ProtocolHandler::notifyEqAutoReport, this, &ProtocolProxy::notifyEqAutoReport);
    connect(m_handler, &ProtocolHandler::notifyDongleHeadsetLinkReceived, this,
            &ProtocolProxy::notifyDongleHeadsetLinkReceived);
    connect(m_handler, &ProtocolHandler::frameReady, this, [this](const QByteArray &frame) { emit outgoingFrame(frame); });
    connect(m_handler, &ProtocolHandler::validationError, this, &ProtocolProxy::validationError);
}

template <typename Call>
void ProtocolProxy::post(Call &&call)
{
    if (!m_handler)
        return;
    // The lambda owns copies of the arguments; the handler's thread runs it.
    QMetaObject::invokeMethod(
        m_handler, [handler = m_handler, call = std::forward<Call>(call)]() { call(*handler); }, Qt::QueuedConnection);
}

void ProtocolProxy::start()
{
    if (m_handler)
        QMetaObject::invokeMethod(m_handler, "start", Qt::QueuedConnection);
}

void ProtocolProxy::setStripReportId(bool enabled)
{
    post([enabled](ProtocolHandler &h) { h.setStripReportId(enabled); });
}

void ProtocolProxy::setHeartbeatEnabled(bool enabled)
{
    post([enabled](ProtocolHandler &h) { h.setHeartbeatEnabled(enabled); });
}

void ProtocolProxy::setHeartbeatIntervalMs(int ms)
{
    post([ms](ProtocolHandler &h) { h.setHeartbeatIntervalMs(ms); });
}

void ProtocolProxy::resetTransportState()
{
    post([](ProtocolHandler &h) { h.resetTransportState(); });
}

void ProtocolProxy::sendEqSettings(const HeadsetProtocol::EQData &eqData)
{
    post([eqData](ProtocolHandler &h) { h.sendEqSettings(eqData); });
}

void ProtocolProxy::sendFactoryReset()
{
    post([](ProtocolHandler &h) { h.sendFactoryReset(); });
}

void ProtocolProxy::sendReceiverUnbind()
{
    post([](ProtocolHandler &h) { h.sendReceiverUnbind(); });
}

void ProtocolProxy::sendSetToneVolume(int level)
{
    const auto byte = static_cast<quint8>(std::clamp(level, 1, 7));
    post([byte](ProtocolHandler &h) { h.sendSetToneVolume(byte); });
}

void ProtocolProxy::sendSetBluetoothName(const QString &name)
{
    post([name](ProtocolHandler &h) { h.sendSetBluetoothName(name); });
}

void ProtocolProxy::sendGetBasicInfo(int infoType)
{
    // The low eight bits: -1 asks for the identity (0xFF).
    const auto type = static_cast<quint8>(infoType & 0xFF);
    post([type](ProtocolHandler &h) { h.sendGetBasicInfo(type); });
}
