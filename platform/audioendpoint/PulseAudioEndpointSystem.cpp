#include "platform/audioendpoint/PulseAudioEndpointSystem.h"

#include "platform/audioendpoint/DesktopSoundSettings.h"
#include "platform/audioendpoint/PulseBackend.h"
#include "platform/audioendpoint/PulseEndpointVolume.h"

namespace Platform {

namespace {

constexpr char kLoopbackModule[] = "module-loopback";

AudioEndpointInfo infoOf(const PulseDeviceRecord &record)
{
    return {QString::fromUtf8(record.name), record.description, record.endpointState()};
}

bool isSwitchedOff(const PulseCardRecord &card, AudioDirection direction)
{
    return direction == AudioDirection::Playback ? card.playbackSwitchedOff : card.recordingSwitchedOff;
}

AudioEndpointInfo switchedOffInfo(const PulseCardRecord &card)
{
    return {PulseNames::cardEndpointId(card.name), card.description, AudioEndpointState::Disabled};
}

} // namespace

PulseAudioEndpointSystem::PulseAudioEndpointSystem(const PulseClient::Options &options)
    : m_backend(std::make_shared<PulseBackend>(options))
{
}

PulseAudioEndpointSystem::~PulseAudioEndpointSystem() = default;

bool PulseAudioEndpointSystem::isConnected()
{
    return m_backend->client.isReady();
}

void PulseAudioEndpointSystem::prepare()
{
    m_backend->client.awaitFirstConnection();
}

std::optional<std::vector<AudioEndpointInfo>> PulseAudioEndpointSystem::endpoints(AudioDirection direction)
{
    const auto devices = m_backend->requests.devices(direction);
    if (!devices)
        return std::nullopt;
    const auto cards = m_backend->requests.cards();
    if (!cards)
        return std::nullopt;
    std::vector<AudioEndpointInfo> list;
    for (const PulseDeviceRecord &device : *devices) {
        if (!device.isMonitor)
            list.push_back(infoOf(device));
    }
    for (const PulseCardRecord &card : *cards) {
        if (isSwitchedOff(card, direction))
            list.push_back(switchedOffInfo(card));
    }
    return list;
}

std::optional<QString> PulseAudioEndpointSystem::defaultEndpointId(AudioDirection direction)
{
    const auto server = m_backend->requests.server();
    if (!server)
        return std::nullopt;
    const QByteArray name = direction == AudioDirection::Playback ? server->defaultSink : server->defaultSource;
    if (name.isEmpty())
        return std::nullopt;
    if (direction == AudioDirection::Recording) {
        // A monitor as the default source means there is no microphone to use.
        const auto source = m_backend->requests.device(direction, name);
        if (!source || source->isMonitor)
            return std::nullopt;
    }
    return QString::fromUtf8(name);
}

std::optional<AudioEndpointInfo> PulseAudioEndpointSystem::endpoint(AudioDirection direction, const QString &id)
{
    if (const auto cardName = PulseNames::cardNameFromId(id)) {
        const auto cards = m_backend->requests.cards();
        if (!cards)
            return std::nullopt;
        for (const PulseCardRecord &card : *cards) {
            if (card.name == *cardName && isSwitchedOff(card, direction))
                return switchedOffInfo(card);
        }
        return std::nullopt;
    }
    const auto device = m_backend->requests.device(direction, id.toUtf8());
    if (!device || device->isMonitor)
        return std::nullopt;
    return infoOf(*device);
}

std::unique_ptr<IAudioEndpointVolume> PulseAudioEndpointSystem::activateVolume(AudioDirection direction,
                                                                              const QString &id)
{
    if (PulseNames::cardNameFromId(id))
        return nullptr;
    const auto device = m_backend->requests.device(direction, id.toUtf8());
    if (!device || device->isMonitor || !(device->endpointState() & AudioEndpointState::Active))
        return nullptr;
    return std::make_unique<PulseEndpointVolume>(m_backend, direction, device->name, device->index);
}

bool PulseAudioEndpointSystem::registerTopologyListener(std::shared_ptr<AudioTopologyListener> listener)
{
    if (!listener)
        return false;
    PulseClient::Lock lock(m_backend->client);
    m_backend->notifier.addTopologyListener(std::move(listener));
    return true;
}

void PulseAudioEndpointSystem::unregisterTopologyListener(const std::shared_ptr<AudioTopologyListener> &listener)
{
    PulseClient::Lock lock(m_backend->client);
    m_backend->notifier.removeTopologyListener(listener);
}

std::optional<std::vector<uint32_t>> PulseAudioEndpointSystem::loopbacksOf(const QByteArray &source,
                                                                          uint64_t &connection)
{
    const auto modules = m_backend->requests.modules(connection);
    if (!modules)
        return std::nullopt;
    if (connection != m_unloaded.connection)
        m_unloaded = {connection, {}};
    std::vector<uint32_t> found;
    for (const PulseModuleRecord &module : *modules) {
        if (module.name == kLoopbackModule && PulseNames::argumentNamesSource(module.argument, source)
            && !m_unloaded.indices.count(module.index))
            found.push_back(module.index);
    }
    return found;
}

std::optional<bool> PulseAudioEndpointSystem::isListenEnabled(const QString &recordingId)
{
    const QByteArray source = recordingId.toUtf8();
    if (!PulseNames::isValidDeviceName(source))
        return std::nullopt;
    uint64_t connection = 0;
    const auto loopbacks = loopbacksOf(source, connection);
    if (!loopbacks)
        return std::nullopt;
    return !loopbacks->empty();
}

bool PulseAudioEndpointSystem::setListenEnabled(const QString &recordingId, bool on)
{
    const QByteArray source = recordingId.toUtf8();
    if (!PulseNames::isValidDeviceName(source))
        return false;
    uint64_t connection = 0;
    const auto loopbacks = loopbacksOf(source, connection);
    if (!loopbacks)
        return false;
    if (!on) {
        bool allGone = true;
        for (uint32_t index : *loopbacks) {
            if (m_backend->requests.unloadModule(index, connection))
                m_unloaded.indices.insert(index);
            else
                allGone = false;
        }
        return allGone;
    }
    if (!loopbacks->empty())
        return true;
    const auto device = m_backend->requests.device(AudioDirection::Recording, source);
    if (!device || device->isMonitor)
        return false;
    // No sink named: the loopback plays to the default sink and follows it.
    return m_backend->requests.loadModule(kLoopbackModule, "source=" + source + " source_dont_move=true").has_value();
}

bool PulseAudioEndpointSystem::openSoundSettings()
{
    return DesktopSoundSettings().open();
}

} // namespace Platform
