#include "platform/audioendpoint/PulseRequests.h"

#include "platform/audioendpoint/PulseClient.h"

#include <pulse/introspect.h>

namespace Platform {

namespace {

template <typename Record>
struct Collected
{
    std::vector<Record> items;
    bool failed = false;
};

// One introspection callback for every list or by-name request: eol < 0 is an
// error (an unknown name included), eol > 0 the end of the list.
template <typename Info, typename Record, Record (*Convert)(const Info &)>
void collect(pa_context *, const Info *info, int eol, void *userdata)
{
    auto *out = static_cast<Collected<Record> *>(userdata);
    if (eol < 0) {
        out->failed = true;
        return;
    }
    if (eol > 0 || !info)
        return;
    out->items.push_back(Convert(*info));
}

void storeSuccess(pa_context *, int success, void *userdata)
{
    *static_cast<bool *>(userdata) = success != 0;
}

void storeIndex(pa_context *, uint32_t index, void *userdata)
{
    *static_cast<uint32_t *>(userdata) = index;
}

void storeServer(pa_context *, const pa_server_info *info, void *userdata)
{
    if (info)
        *static_cast<std::optional<PulseServerRecord> *>(userdata) = PulseServerRecord::fromServer(*info);
}

constexpr auto collectSink = &collect<pa_sink_info, PulseDeviceRecord, &PulseDeviceRecord::fromSink>;
constexpr auto collectSource = &collect<pa_source_info, PulseDeviceRecord, &PulseDeviceRecord::fromSource>;
constexpr auto collectCard = &collect<pa_card_info, PulseCardRecord, &PulseCardRecord::fromCard>;
constexpr auto collectModule = &collect<pa_module_info, PulseModuleRecord, &PulseModuleRecord::fromModule>;

} // namespace

PulseRequests::PulseRequests(PulseClient &client) : m_client(client) {}

std::optional<std::vector<PulseDeviceRecord>> PulseRequests::devices(AudioDirection direction)
{
    Collected<PulseDeviceRecord> out;
    const bool done = m_client.call([&](pa_context *context) {
        return direction == AudioDirection::Playback ? pa_context_get_sink_info_list(context, collectSink, &out)
                                                     : pa_context_get_source_info_list(context, collectSource, &out);
    });
    if (!done || out.failed)
        return std::nullopt;
    return std::move(out.items);
}

std::optional<PulseDeviceRecord> PulseRequests::device(AudioDirection direction, const QByteArray &name)
{
    if (name.isEmpty())
        return std::nullopt;
    Collected<PulseDeviceRecord> out;
    const bool done = m_client.call([&](pa_context *context) {
        return direction == AudioDirection::Playback
                   ? pa_context_get_sink_info_by_name(context, name.constData(), collectSink, &out)
                   : pa_context_get_source_info_by_name(context, name.constData(), collectSource, &out);
    });
    if (!done || out.failed || out.items.size() != 1)
        return std::nullopt;
    return out.items.front();
}

std::optional<std::vector<PulseCardRecord>> PulseRequests::cards()
{
    Collected<PulseCardRecord> out;
    const bool done =
        m_client.call([&](pa_context *context) { return pa_context_get_card_info_list(context, collectCard, &out); });
    if (!done || out.failed)
        return std::nullopt;
    return std::move(out.items);
}

std::optional<PulseServerRecord> PulseRequests::server()
{
    std::optional<PulseServerRecord> out;
    const bool done =
        m_client.call([&](pa_context *context) { return pa_context_get_server_info(context, storeServer, &out); });
    return done ? out : std::nullopt;
}

bool PulseRequests::setVolume(AudioDirection direction, const QByteArray &name, const pa_cvolume &volume)
{
    bool success = false;
    const bool done = m_client.call([&](pa_context *context) {
        return direction == AudioDirection::Playback
                   ? pa_context_set_sink_volume_by_name(context, name.constData(), &volume, storeSuccess, &success)
                   : pa_context_set_source_volume_by_name(context, name.constData(), &volume, storeSuccess, &success);
    });
    return done && success;
}

bool PulseRequests::setMute(AudioDirection direction, const QByteArray &name, bool muted)
{
    bool success = false;
    const bool done = m_client.call([&](pa_context *context) {
        return direction == AudioDirection::Playback
                   ? pa_context_set_sink_mute_by_name(context, name.constData(), muted, storeSuccess, &success)
                   : pa_context_set_source_mute_by_name(context, name.constData(), muted, storeSuccess, &success);
    });
    return done && success;
}

std::optional<std::vector<PulseModuleRecord>> PulseRequests::modules(uint64_t &connection)
{
    Collected<PulseModuleRecord> out;
    const bool done = m_client.call([&](pa_context *context) {
        connection = m_client.connectionNumber();
        return pa_context_get_module_info_list(context, collectModule, &out);
    });
    if (!done || out.failed)
        return std::nullopt;
    return std::move(out.items);
}

std::optional<uint32_t> PulseRequests::loadModule(const QByteArray &name, const QByteArray &argument)
{
    uint32_t index = PA_INVALID_INDEX;
    const bool done = m_client.call([&](pa_context *context) {
        return pa_context_load_module(context, name.constData(), argument.constData(), storeIndex, &index);
    });
    if (!done || index == PA_INVALID_INDEX)
        return std::nullopt;
    return index;
}

bool PulseRequests::unloadModule(uint32_t index, uint64_t connection)
{
    bool success = false;
    const bool done = m_client.call([&](pa_context *context) -> pa_operation * {
        if (m_client.connectionNumber() != connection)
            return nullptr;
        return pa_context_unload_module(context, index, storeSuccess, &success);
    });
    return done && success;
}

} // namespace Platform
