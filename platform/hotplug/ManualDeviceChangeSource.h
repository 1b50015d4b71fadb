#pragma once

#include "platform/hotplug/DeviceChangeSource.h"

namespace Platform {

// In-memory source for tests: raises the raw event on request and can refuse
// to start a given number of times.
class ManualDeviceChangeSource : public DeviceChangeSource
{
    Q_OBJECT
public:
    explicit ManualDeviceChangeSource(QObject *parent = nullptr);

    bool start() override;
    bool isStarted() const override;

    // The next `count` start() calls fail.
    void failStarts(int count);
    int startAttempts() const;

    // Emits devicesChanged when started; before that the system would not
    // have told anyone, so nothing happens. Returns whether it was raised.
    bool raise();

private:
    bool m_started = false;
    int m_failuresLeft = 0;
    int m_startAttempts = 0;
};

} // namespace Platform
