#pragma once

#include <QObject>

#include <functional>

namespace Platform {

// Raises one raw event whenever the system's set of HID devices may have
// changed. Bursts are not collapsed here; the hot-plug notifier debounces them.
class DeviceChangeSource : public QObject
{
    Q_OBJECT
public:
    using Factory = std::function<DeviceChangeSource *(QObject *parent)>;

    using QObject::QObject;
    ~DeviceChangeSource() override = default;

    // The system's source (a udev monitor on Linux), or what the installed
    // factory makes. Never null.
    static DeviceChangeSource *create(QObject *parent);

    // Routes every later create() to `factory`; an empty one restores the
    // system's source. Tests use it to drive the raw event themselves.
    static void setFactory(Factory factory);

    // Begins watching. False when the system refuses; the caller retries.
    // Calling it again once started returns true and changes nothing.
    virtual bool start() = 0;
    virtual bool isStarted() const = 0;

signals:
    void devicesChanged();
};

} // namespace Platform
