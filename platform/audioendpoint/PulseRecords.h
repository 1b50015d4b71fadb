#pragma once

#include "platform/audioendpoint/AudioEndpointTypes.h"

#include <QByteArray>
#include <QString>

#include <pulse/introspect.h>
#include <pulse/volume.h>

#include <cstdint>
#include <optional>

namespace Platform {

// Copies of what the PulseAudio introspection callbacks hand out; their own
// records live only as long as the callback.

// A sink (playback) or a source (recording).
struct PulseDeviceRecord
{
    uint32_t index = PA_INVALID_INDEX;
    QByteArray name;
    QString description;
    pa_cvolume volume{};
    bool muted = false;
    bool unplugged = false; // its active port reports nothing plugged in
    bool isMonitor = false; // a source that only mirrors a sink

    static PulseDeviceRecord fromSink(const pa_sink_info &info);
    static PulseDeviceRecord fromSource(const pa_source_info &info);

    // The loudest channel on the 0..1 scale the desktop's mixers show as 0..100 %.
    float masterScalar() const;
    unsigned endpointState() const;
};

// A sound card. A card whose active profile has no sink (or source) although
// another profile has one is what the user switched off for that direction.
struct PulseCardRecord
{
    uint32_t index = PA_INVALID_INDEX;
    QByteArray name;
    QString description;
    bool playbackSwitchedOff = false;
    bool recordingSwitchedOff = false;

    static PulseCardRecord fromCard(const pa_card_info &info);
};

struct PulseServerRecord
{
    QByteArray defaultSink;
    QByteArray defaultSource;

    static PulseServerRecord fromServer(const pa_server_info &info);
};

struct PulseModuleRecord
{
    uint32_t index = PA_INVALID_INDEX;
    QByteArray name;
    QByteArray argument;

    static PulseModuleRecord fromModule(const pa_module_info &info);
};

namespace PulseNames {

// Endpoint ids: a sink or source is known by its PulseAudio name; a switched-off
// card by this prefix and the card's name.
inline constexpr char kCardPrefix[] = "card:";

QString cardEndpointId(const QByteArray &cardName);
// The card name in a card endpoint id, nullopt for any other id.
std::optional<QByteArray> cardNameFromId(const QString &id);
// True for names PulseAudio itself accepts for sinks and sources (letters,
// digits, '.', '-', '_'); anything else never reaches a module argument.
bool isValidDeviceName(const QByteArray &name);
// Whether a module argument string names `source` as its source.
bool argumentNamesSource(const QByteArray &argument, const QByteArray &source);

} // namespace PulseNames

} // namespace Platform
