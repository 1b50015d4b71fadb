#pragma once

#include "tests/support/virtualheadset/VirtualHeadset.h"

#include <QObject>

#include <functional>

namespace HeadsetProtocol {
class ProtocolHandler;
}

// Carries a ProtocolHandler's frames into a VirtualHeadset engine (with the
// 0x00 report-id byte in front, as the HID layer writes them) and the
// engine's reports back into the handler, one report per call as the HID
// layer delivers them. Lives on the handler's thread.
class VirtualHeadsetHarness : public QObject
{
    Q_OBJECT
public:
    // `clockMs` is the handler's clock; the engine reads the same time.
    VirtualHeadsetHarness(HeadsetProtocol::ProtocolHandler *handler, VirtualDevices::VirtualHeadset *engine,
                          std::function<qint64()> clockMs, QObject *parent = nullptr);
    ~VirtualHeadsetHarness() override;

    VirtualDevices::Clock::time_point engineTime() const;

public slots:
    // Hands every device report that is due to the handler.
    void pump();

private:
    void onHostFrame(const QByteArray &frame);

    HeadsetProtocol::ProtocolHandler *m_handler;
    VirtualDevices::VirtualHeadset *m_engine;
    std::function<qint64()> m_clockMs;
};
