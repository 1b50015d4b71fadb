#include "tests/app/DeviceWindowRig.h"

#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "hid/HidProtocolService.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/hid/HidTestDevices.h"

#include <QSettings>
#include <QTest>

#include <algorithm>
#include <mutex>

namespace DeviceWindowTest {

namespace {
std::mutex logMutex;
QStringList *logLines = nullptr;
QtMessageHandler previousHandler = nullptr;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        const std::lock_guard<std::mutex> lock(logMutex);
        if (logLines)
            logLines->append(message);
    }
    if (previousHandler && type >= QtWarningMsg && !message.startsWith(QLatin1Char('[')))
        previousHandler(type, context, message);
}
} // namespace

HeadphonesDeviceTimings fastTimings()
{
    HeadphonesDeviceTimings t;
    t.realtimeEqDebounceMs = 50;
    t.firmwareReadbackDelaysMs = {10, 20};
    return t;
}

MessageLog::MessageLog()
{
    const std::lock_guard<std::mutex> lock(logMutex);
    logLines = new QStringList;
    previousHandler = qInstallMessageHandler(collect);
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(previousHandler);
    const std::lock_guard<std::mutex> lock(logMutex);
    delete logLines;
    logLines = nullptr;
}

QStringList MessageLog::lines() const
{
    const std::lock_guard<std::mutex> lock(logMutex);
    return logLines ? *logLines : QStringList();
}

bool MessageLog::contains(const QString &part) const
{
    const QStringList all = lines();
    return std::any_of(all.cbegin(), all.cend(), [&part](const QString &line) { return line.contains(part); });
}

DeviceWindowRig::DeviceWindowRig() : m_server(std::make_unique<FakeApi::FakeApiServer>())
{
    m_serverStarted = m_server->start();
    m_server->backend().setRootUrl(m_server->rootUrl());
    QSettings settings;
    settings.setValue("api/baseUrl", m_server->baseUrl());
    settings.sync();
}

DeviceWindowRig::~DeviceWindowRig()
{
    m_window.reset();
    m_server.reset();
}

std::shared_ptr<VirtualDevices::VirtualHeadset> DeviceWindowRig::plugReceiver(const VirtualDevices::HeadsetState &state)
{
    return m_devices.plugReceiver({}, state);
}

HeadphonesDevice &DeviceWindowRig::build(const HeadphonesDeviceTimings &timings)
{
    HeadphonesDeviceServiceSetup setup;
    setup.durations = ServiceTest::fastDurations();
    setup.hidConfig = HidTestDevices::fastConfig();
    setup.handlerSettings = ServiceTest::fastHandlerSettings();
    m_window = std::make_unique<HeadphonesDevice>(nullptr, timings, setup);
    WindowTest::isolateUpdater(*m_window, m_launcher);
    m_devices.log().attach(m_window->deviceService(), &HidProtocolService::logMessage);
    return *m_window;
}

HidProtocolService &DeviceWindowRig::service()
{
    return *m_window->deviceService();
}

MoreSettingsContent &DeviceWindowRig::moreSettings()
{
    return *m_window->contentBar()->moreSettingsPage();
}

bool DeviceWindowRig::show()
{
    return WindowTest::showWindow(*m_window, false);
}

bool DeviceWindowRig::waitUsable(int timeoutMs)
{
    return QTest::qWaitFor([this] { return m_window->isDeviceUsable(); }, timeoutMs);
}

} // namespace DeviceWindowTest
