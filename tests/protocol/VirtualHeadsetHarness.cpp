#include "VirtualHeadsetHarness.h"

#include "protocol/ProtocolHandler.h"

#include <QMetaObject>
#include <QPointer>

VirtualHeadsetHarness::VirtualHeadsetHarness(HeadsetProtocol::ProtocolHandler *handler,
                                             VirtualDevices::VirtualHeadset *engine, std::function<qint64()> clockMs,
                                             QObject *parent)
    : QObject(parent), m_handler(handler), m_engine(engine), m_clockMs(std::move(clockMs))
{
    connect(handler, &HeadsetProtocol::ProtocolHandler::frameReady, this, &VirtualHeadsetHarness::onHostFrame,
            Qt::DirectConnection);
    // Scripted notifications are posted from the test's thread; pump on ours.
    QPointer<VirtualHeadsetHarness> self(this);
    m_engine->setReportReadyCallback([self] {
        if (self)
            QMetaObject::invokeMethod(self.data(), &VirtualHeadsetHarness::pump, Qt::QueuedConnection);
    });
}

VirtualHeadsetHarness::~VirtualHeadsetHarness()
{
    m_engine->setReportReadyCallback({});
}

VirtualDevices::Clock::time_point VirtualHeadsetHarness::engineTime() const
{
    return VirtualDevices::Clock::time_point(std::chrono::milliseconds(m_clockMs()));
}

void VirtualHeadsetHarness::onHostFrame(const QByteArray &frame)
{
    VirtualDevices::Report report;
    report.reserve(static_cast<size_t>(frame.size()) + 1);
    report.push_back(0x00);
    report.insert(report.end(), frame.cbegin(), frame.cend());
    m_engine->onHostReport(report, engineTime());
    // Replies come back later, as a read on the HID thread would deliver them.
    QMetaObject::invokeMethod(this, &VirtualHeadsetHarness::pump, Qt::QueuedConnection);
}

void VirtualHeadsetHarness::pump()
{
    const VirtualDevices::Clock::time_point now = engineTime();
    while (const std::optional<VirtualDevices::Report> report = m_engine->takeDeviceReport(now)) {
        m_handler->onIncomingData(
            QByteArray(reinterpret_cast<const char *>(report->data()), static_cast<qsizetype>(report->size())));
    }
}
