#pragma once

#include "hid/HidProtocolService.h"
#include "hid/HidProtocolServiceDurations.h"
#include "tests/hid/HidTestDevices.h"
#include "tests/support/testlog/LogCapture.h"
#include "tests/support/virtualheadset/VirtualHeadset.h"

#include <QObject>
#include <QStringList>

#include <memory>

// The device service against the real HID stack, the hidapi double and the
// virtual receiver, with every wait of the service, the HID stack and the
// protocol handler shortened.
namespace ServiceTest {

HidProtocolServiceDurations fastDurations();
HeadsetProtocol::ProtocolHandlerSettings fastHandlerSettings();
// The fast durations without the time limits that a busy machine can run
// past: validation and requests are given as long as a test will wait.
HidProtocolServiceDurations patientDurations();
HeadsetProtocol::ProtocolHandlerSettings patientHandlerSettings();

// A valid ten-band custom EQ (index 0x65).
HeadsetProtocol::EQData tenBandEq();

// One band of a Qor custom EQ, in the record's units.
struct QorBand
{
    quint16 fc;
    qint16 gain; // 0.01 dB
    qint16 q;    // x 100
    quint8 kind; // Qasp coding
};
// A custom EQ of the Qor model (index 100) with these bands.
HeadsetProtocol::EQData qorEq(const QList<QorBand> &bands, qint16 totalGain = 0);

// Every signal of the service as one short text, in arrival order, e.g.
// "validated(1)", "toneFailed(5,device rejected tone volume)".
class ServiceEvents : public QObject
{
    Q_OBJECT
public:
    explicit ServiceEvents(HidProtocolService &service);

    QStringList all() const { return m_events; }
    // Events that begin with `prefix`, e.g. "link(".
    QStringList matching(const QString &prefix) const;
    int count(const QString &prefix) const { return matching(prefix).size(); }
    // Waits for an event with exactly this text that arrives after `from` events.
    bool waitFor(const QString &event, int timeoutMs = 5000, int from = 0);
    void clear() { m_events.clear(); }

private:
    void add(const QString &event) { m_events.append(event); }

    QStringList m_events;
};

class ServiceRig
{
public:
    explicit ServiceRig(const HidProtocolServiceDurations &durations = fastDurations(),
                        const HeadsetProtocol::ProtocolHandlerSettings &handlerSettings = fastHandlerSettings(),
                        const HIDTypes::HidManagerConfig &hidConfig = HidTestDevices::fastConfig());
    ~ServiceRig();
    ServiceRig(const ServiceRig &) = delete;
    ServiceRig &operator=(const ServiceRig &) = delete;

    // The receiver (0x3654:0x6901, interface 3) played by a virtual headset.
    std::shared_ptr<VirtualDevices::VirtualHeadset> plugReceiver(const VirtualDevices::VirtualHeadsetConfig &config = {},
                                                                 const VirtualDevices::HeadsetState &state = {});
    // The same receiver back on the bus, with the hot-plug event that announces it.
    void replugReceiver();
    // The receiver leaves the bus; the hot-plug event follows. False when the
    // stack had never listed it (its loss would then go unnoticed).
    bool unplugReceiver();
    // Waits until the hot-plug worker's first scan has reported the list it
    // found. A device gone before that scan leaves the list as the stack last
    // reported it, so no update tells of the loss; and that first update gives
    // every reconnect try back and connects, so a test that counts tries or
    // opens lets it pass before the fault.
    bool waitForFirstScan(int timeoutMs = 5000);
    QString receiverId() const { return HidTestDevices::receiver().id; }

    // Builds the service; its automatic probe follows at once.
    HidProtocolService &start();
    // start(), then waits until the receiver is validated, its link is up and
    // the link-up battery and name have been published.
    bool startLinked(int timeoutMs = 20000);
    void destroyService();

    HidProtocolService &service() { return *m_service; }
    ServiceEvents &events() { return *m_events; }
    LogCapture &log() { return m_log; }
    VirtualDevices::VirtualHeadset &headset() { return *m_headset; }
    const HidProtocolServiceDurations &durations() const { return m_durations; }

    // Lets queued work that is already due run out (several passes of the
    // event loop and of the protocol and I/O threads), bounded by `ms`.
    // Used only to show that something does not happen.
    static void settle(int ms);

private:
    HidProtocolServiceDurations m_durations;
    HeadsetProtocol::ProtocolHandlerSettings m_handlerSettings;
    HIDTypes::HidManagerConfig m_hidConfig;
    std::shared_ptr<VirtualDevices::VirtualHeadset> m_headset;
    std::unique_ptr<HidProtocolService> m_service;
    std::unique_ptr<ServiceEvents> m_events;
    LogCapture m_log;
};

} // namespace ServiceTest
