#include "DeviceChangeSource.h"

#include "UdevDeviceChangeSource.h"

#include <mutex>

namespace Platform {

namespace {

std::mutex factoryMutex;
DeviceChangeSource::Factory &installedFactory()
{
    static DeviceChangeSource::Factory factory;
    return factory;
}

} // namespace

DeviceChangeSource *DeviceChangeSource::create(QObject *parent)
{
    Factory factory;
    {
        std::lock_guard lock(factoryMutex);
        factory = installedFactory();
    }
    if (factory) {
        if (DeviceChangeSource *source = factory(parent))
            return source;
    }
    return new UdevDeviceChangeSource(parent);
}

void DeviceChangeSource::setFactory(Factory factory)
{
    std::lock_guard lock(factoryMutex);
    installedFactory() = std::move(factory);
}

} // namespace Platform
