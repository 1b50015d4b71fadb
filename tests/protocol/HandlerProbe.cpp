#include "HandlerProbe.h"

using HeadsetProtocol::ProtocolHandler;

HandlerProbe::HandlerProbe(ProtocolHandler *handler, QObject *parent) : QObject(parent)
{
    // Signal-to-signal connections across threads are queued; order is kept.
    connect(handler, &ProtocolHandler::requestReceived, this, &HandlerProbe::requestReceived);
    connect(handler, &ProtocolHandler::responseReceived, this, &HandlerProbe::responseReceived);
    connect(handler, &ProtocolHandler::notifyReceived, this, &HandlerProbe::notifyReceived);
    connect(handler, &ProtocolHandler::deviceInfoReceived, this, &HandlerProbe::deviceInfoReceived);
    connect(handler, &ProtocolHandler::eqDataReceived, this, &HandlerProbe::eqDataReceived);
    connect(handler, &ProtocolHandler::firmwareInfoReceived, this, &HandlerProbe::firmwareInfoReceived);
    connect(handler, &ProtocolHandler::deviceIdInfoReceived, this, &HandlerProbe::deviceIdInfoReceived);
    connect(handler, &ProtocolHandler::surroundSoundConfigReceived, this, &HandlerProbe::surroundSoundConfigReceived);
    connect(handler, &ProtocolHandler::notifyNameAndHeadsetFirmwareReceived, this,
            &HandlerProbe::notifyNameAndHeadsetFirmwareReceived);
    connect(handler, &ProtocolHandler::notifyBatteryReceived, this, &HandlerProbe::notifyBatteryReceived);
    connect(handler, &ProtocolHandler::notifyEqAutoReport, this, &HandlerProbe::notifyEqAutoReport);
    connect(handler, &ProtocolHandler::notifyDongleHeadsetLinkReceived, this,
            &HandlerProbe::notifyDongleHeadsetLinkReceived);
    connect(handler, &ProtocolHandler::errorOccurred, this, &HandlerProbe::errorOccurred);
    connect(handler, &ProtocolHandler::crcError, this, &HandlerProbe::crcError);
    connect(handler, &ProtocolHandler::timeoutError, this, &HandlerProbe::timeoutError);
    connect(handler, &ProtocolHandler::commandFailed, this, &HandlerProbe::commandFailed);
    connect(handler, &ProtocolHandler::requestQueued, this, &HandlerProbe::requestQueued);
    connect(handler, &ProtocolHandler::requestDequeued, this, &HandlerProbe::requestDequeued);
    connect(handler, &ProtocolHandler::requestSent, this, &HandlerProbe::requestSent);
    connect(handler, &ProtocolHandler::requestRejected, this, &HandlerProbe::requestRejected);
}
