#include "ServiceRig.h"

#include <QDebug>
#include <QTest>

namespace ServiceTest {

HidProtocolServiceDurations fastDurations()
{
    HidProtocolServiceDurations d;
    d.firstProbeDelayMs = 0;
    d.autoConnectThrottleMs = 50;
    d.validationTimeoutMs = 400;
    d.heartbeatIntervalMs = 200; // the heartbeat's shortest interval
    d.dongleLinkQueryDelayMs = 100;
    d.heartbeatFallbackDelayMs = 250;
    d.basicInfoQuerySpacingMs = 5;
    d.factoryResetFallbackDelaysMs = {300, 450};
    d.factoryResetLinkUpDelaysMs = {50, 100, 150};
    return d;
}

HeadsetProtocol::ProtocolHandlerSettings fastHandlerSettings()
{
    HeadsetProtocol::ProtocolHandlerSettings s;
    s.requestTimeoutMs = 300;
    s.queuedTimeoutMs = 600;
    s.cleanupIntervalMs = 25;
    return s;
}

HidProtocolServiceDurations patientDurations()
{
    HidProtocolServiceDurations d = fastDurations();
    d.validationTimeoutMs = 60000;
    return d;
}

HeadsetProtocol::ProtocolHandlerSettings patientHandlerSettings()
{
    HeadsetProtocol::ProtocolHandlerSettings s = fastHandlerSettings();
    s.requestTimeoutMs = 60000;
    s.queuedTimeoutMs = 60000;
    return s;
}

HeadsetProtocol::EQData tenBandEq()
{
    HeadsetProtocol::EQData eq;
    eq.index = 0x65;
    eq.bandCount = 10;
    eq.frequencies = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    eq.gains = {300, 250, 100, 0, -150, -200, 0, 120, 450, 600};
    eq.qValues = {71, 71, 100, 141, 71, 71, 200, 71, 71, 50};
    eq.filterTypes = {4, 1, 1, 1, 1, 1, 1, 1, 1, 5};
    eq.totalGain = -30;
    return eq;
}

HeadsetProtocol::EQData qorEq(const QList<QorBand> &bands, qint16 totalGain)
{
    HeadsetProtocol::EQData eq;
    eq.index = 100;
    eq.qorCustom = true;
    eq.bandCount = static_cast<quint8>(bands.size());
    eq.totalGain = totalGain;
    for (const QorBand &b : bands) {
        eq.frequencies.push_back(b.fc);
        eq.gains.push_back(b.gain);
        eq.qValues.push_back(b.q);
        eq.filterTypes.push_back(b.kind);
    }
    return eq;
}

ServiceEvents::ServiceEvents(HidProtocolService &s)
{
    using S = HidProtocolService;
    const auto flag = [](bool b) { return QString::number(b ? 1 : 0); };
    connect(&s, &S::targetDevicePresentChanged, this, [=, this](bool p) { add("present(" + flag(p) + ")"); });
    connect(&s, &S::protocolValidatedChanged, this, [=, this](bool v) { add("validated(" + flag(v) + ")"); });
    connect(&s, &S::headsetLinkChanged, this, [=, this](bool c) { add("link(" + flag(c) + ")"); });
    connect(&s, &S::headsetNameChanged, this, [this](const QString &n) { add("name(" + n + ")"); });
    connect(&s, &S::headsetBatteryChanged, this, [this](int l) { add(QStringLiteral("battery(%1)").arg(l)); });
    connect(&s, &S::headsetToneVolumeChanged, this, [this](int l) { add(QStringLiteral("tone(%1)").arg(l)); });
    connect(&s, &S::toneVolumeSetSucceeded, this, [this](int l) { add(QStringLiteral("toneSet(%1)").arg(l)); });
    connect(&s, &S::toneVolumeSetFailed, this,
            [this](int l, const QString &r) { add(QStringLiteral("toneFailed(%1,%2)").arg(l).arg(r)); });
    connect(&s, &S::deviceNameSetSucceeded, this, [this](const QString &n) { add("nameSet(" + n + ")"); });
    connect(&s, &S::deviceNameSetFailed, this,
            [this](const QString &n, const QString &r) { add("nameFailed(" + n + "," + r + ")"); });
    connect(&s, &S::factoryResetSucceeded, this, [this] { add(QStringLiteral("resetOk")); });
    connect(&s, &S::factoryResetFailed, this, [this](const QString &r) { add("resetFailed(" + r + ")"); });
    connect(&s, &S::receiverUnbindSucceeded, this, [this] { add(QStringLiteral("unbindOk")); });
    connect(&s, &S::receiverUnbindFailed, this, [this](const QString &r) { add("unbindFailed(" + r + ")"); });
    connect(&s, &S::firmwareInfoChanged, this, [this](const HeadsetProtocol::FirmwareInfo &f) {
        add("firmware(" + f.headsetVersion + "," + f.dongleVersion + ")");
    });
    connect(&s, &S::eqSendSucceeded, this, [this] { add(QStringLiteral("eqOk")); });
    connect(&s, &S::eqSendFailed, this, [this](const QString &r) { add("eqFailed(" + r + ")"); });
    connect(&s, &S::protocolValidationFailed, this, [this](const QString &id, S::ProtocolValidationFailureReason r) {
        add(QStringLiteral("validationFailed(%1,%2)").arg(id).arg(int(r)));
    });
    connect(&s, &S::qorQaspBypassSessionChanged, this, [=, this](bool a) { add("qor(" + flag(a) + ")"); });
}

QStringList ServiceEvents::matching(const QString &prefix) const
{
    QStringList out;
    for (const QString &e : m_events) {
        if (e.startsWith(prefix))
            out.append(e);
    }
    return out;
}

bool ServiceEvents::waitFor(const QString &event, int timeoutMs, int from)
{
    return QTest::qWaitFor([&] { return m_events.indexOf(event, from) >= 0; }, timeoutMs);
}

ServiceRig::ServiceRig(const HidProtocolServiceDurations &durations,
                       const HeadsetProtocol::ProtocolHandlerSettings &handlerSettings,
                       const HIDTypes::HidManagerConfig &hidConfig)
    : m_durations(durations), m_handlerSettings(handlerSettings), m_hidConfig(hidConfig)
{
    HidTestDevices::resetDouble();
}

ServiceRig::~ServiceRig()
{
    destroyService();
}

std::shared_ptr<VirtualDevices::VirtualHeadset> ServiceRig::plugReceiver(
    const VirtualDevices::VirtualHeadsetConfig &config, const VirtualDevices::HeadsetState &state)
{
    m_headset = std::make_shared<VirtualDevices::VirtualHeadset>(config, state);
    HidTestDevices::api().addDevice(HidTestDevices::receiver().hid, m_headset);
    return m_headset;
}

void ServiceRig::replugReceiver()
{
    HidTestDevices::api().addDevice(HidTestDevices::receiver().hid, m_headset);
    if (auto *source = HidTestDevices::lastHotplugSource())
        source->raise();
}

bool ServiceRig::waitForFirstScan(int timeoutMs)
{
    return QTest::qWaitFor(
        [this] { return m_log.containsSubstring(QStringLiteral("[HID] hotplug: device list updated")); }, timeoutMs);
}

bool ServiceRig::unplugReceiver()
{
    // The enumeration thread must have listed the receiver once, or its loss
    // would go unnoticed.
    const bool listed = waitForFirstScan();
    HidTestDevices::api().unplug(HidTestDevices::receiver().hid.path);
    if (auto *source = HidTestDevices::lastHotplugSource())
        source->raise();
    return listed;
}

HidProtocolService &ServiceRig::start()
{
    m_service = std::make_unique<HidProtocolService>(nullptr, m_durations, m_hidConfig, m_handlerSettings);
    m_events = std::make_unique<ServiceEvents>(*m_service);
    m_log.attach(m_service.get(), &HidProtocolService::logMessage);
    if (qEnvironmentVariableIsSet("VELKORA_SERVICE_TEST_LOG")) {
        QObject::connect(&m_log, &LogCapture::lineAdded, [](const QString &line) { qDebug().noquote() << line; });
    }
    return *m_service;
}

bool ServiceRig::startLinked(int timeoutMs)
{
    start();
    return m_events->waitFor(QStringLiteral("validated(1)"), timeoutMs)
        && m_events->waitFor(QStringLiteral("link(1)"), timeoutMs)
        && QTest::qWaitFor([this] { return m_events->count("battery(") > 0 && m_events->count("name(") > 0; },
                           timeoutMs);
}

void ServiceRig::destroyService()
{
    m_events.reset();
    m_service.reset();
}

void ServiceRig::settle(int ms)
{
    QTest::qWait(ms);
}

} // namespace ServiceTest
