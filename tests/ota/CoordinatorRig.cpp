#include "tests/ota/CoordinatorRig.h"

#include <QTest>

using namespace std::chrono_literals;

CoordinatorRig::CoordinatorRig() : m_receiver(std::make_shared<VirtualDevices::VirtualReceiver>())
{
    bus().reset();
    bus().setWaitScales(VirtualDevices::VirtualHidBus::longAnswerWaits(kTimeScale));
    if (!m_api.start())
        qFatal("fake API server did not start");
}

CoordinatorRig::~CoordinatorRig()
{
    // The service first: its threads end before the buses are cleared.
    m_service.destroyService();
    bus().reset();
}

void CoordinatorRig::plugOtaReceiver(const std::string &node, std::uint16_t productId)
{
    m_receiver->plugInto(bus(), node, productId);
}

void CoordinatorRig::addHeadset(int channel, const std::vector<std::uint8_t> &image, bool loader)
{
    VirtualDevices::ClientEntry client;
    client.channel = channel;
    m_receiver->addHeadset(client, VirtualDevices::testFirmware(image, loader));
}

void CoordinatorRig::setReceiverSilent(bool silent)
{
    m_receiver->setSilent(silent);
    std::optional<libtavrel::WaitScales> scales;
    if (silent)
        scales = libtavrel::WaitScales::uniform(kTimeScale);
    VirtualDevices::VirtualHidBus::setPortWaitScales(*m_receiver->currentPort(), scales);
}

int CoordinatorRig::otaOpens() const
{
    auto port = m_receiver->currentPort();
    if (!port)
        return 0;
    std::lock_guard lock(port->mutex);
    return port->opens;
}

QByteArray CoordinatorRig::bytes(const std::vector<std::uint8_t> &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), qsizetype(image.size()));
}

OtaFlowDurations CoordinatorRig::fastDurations()
{
    OtaFlowDurations d;
    d.firstPhaseDelayMs = 40;
    d.laterPhaseDelayMs = 20;
    d.downloadTimeoutMs = 10000;
    d.recoveryPromptTimeoutMs = 60000;
    d.postModeReopenDelayMs = 40;
    d.session.settleBeforeUpgrade = 1ms;
    d.session.settleBetweenReads = 1ms;
    d.session.precheckRetryWait = 1ms;
    d.session.recoveryReadWait = 1ms;
    return d;
}
