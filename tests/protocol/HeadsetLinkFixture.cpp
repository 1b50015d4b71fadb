#include "HeadsetLinkFixture.h"

using HeadsetProtocol::ProtocolHandler;

HeadsetLinkFixture::HeadsetLinkFixture(VirtualDevices::VirtualHeadsetConfig config, VirtualDevices::HeadsetState state)
    : engine(config, std::move(state))
{
    HeadsetProtocol::ProtocolHandlerSettings settings;
    settings.clock = [this] { return nowMs.load(); };
    m_handler = new ProtocolHandler(settings);
    m_harness = new VirtualHeadsetHarness(m_handler, &engine, settings.clock, m_handler);
    log.attach(m_handler, &ProtocolHandler::logMessage);
    m_probe = std::make_unique<HandlerProbe>(m_handler);
    m_handler->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_handler, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("protocol"));
    m_thread.start();
}

HeadsetLinkFixture::~HeadsetLinkFixture()
{
    m_thread.quit();
    if (!m_thread.wait(10000))
        qFatal("protocol thread did not stop");
}

void HeadsetLinkFixture::advance(qint64 ms)
{
    nowMs += ms;
    QMetaObject::invokeMethod(m_harness, &VirtualHeadsetHarness::pump, Qt::QueuedConnection);
}

void HeadsetLinkFixture::sweep()
{
    call([](ProtocolHandler &h) { h.cleanupTimeouts(); });
}

VirtualDevices::Clock::time_point HeadsetLinkFixture::engineTime() const
{
    return VirtualDevices::Clock::time_point(std::chrono::milliseconds(nowMs.load()));
}
