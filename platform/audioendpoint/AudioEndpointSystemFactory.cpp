#include "platform/audioendpoint/IAudioEndpointSystem.h"

#include "platform/audioendpoint/PulseAudioEndpointSystem.h"

#include <mutex>

namespace Platform {

namespace {

std::mutex factoryMutex;

IAudioEndpointSystem::Factory &installedFactory()
{
    static IAudioEndpointSystem::Factory factory;
    return factory;
}

} // namespace

std::shared_ptr<IAudioEndpointSystem> IAudioEndpointSystem::create()
{
    Factory factory;
    {
        std::lock_guard lock(factoryMutex);
        factory = installedFactory();
    }
    if (factory) {
        if (auto system = factory())
            return system;
    }
    // The first connection is awaited in prepare(), on the thread that uses the system.
    PulseClient::Options options;
    options.awaitConnectionInConstructor = false;
    return std::make_shared<PulseAudioEndpointSystem>(options);
}

void IAudioEndpointSystem::setFactory(Factory factory)
{
    std::lock_guard lock(factoryMutex);
    installedFactory() = std::move(factory);
}

} // namespace Platform
