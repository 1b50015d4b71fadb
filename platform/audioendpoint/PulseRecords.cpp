#include "platform/audioendpoint/PulseRecords.h"

#include <QList>

#include <pulse/proplist.h>

#include <algorithm>

namespace Platform {

namespace {

QString text(const char *utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// Sinks and sources carry the same fields under the same names.
template <typename Info>
PulseDeviceRecord deviceFrom(const Info &info)
{
    PulseDeviceRecord r;
    r.index = info.index;
    r.name = QByteArray(info.name ? info.name : "");
    r.description = text(info.description);
    r.volume = info.volume;
    r.muted = info.mute != 0;
    r.unplugged = info.active_port && info.active_port->available == PA_PORT_AVAILABLE_NO;
    return r;
}

} // namespace

PulseDeviceRecord PulseDeviceRecord::fromSink(const pa_sink_info &info)
{
    return deviceFrom(info);
}

PulseDeviceRecord PulseDeviceRecord::fromSource(const pa_source_info &info)
{
    PulseDeviceRecord r = deviceFrom(info);
    r.isMonitor = info.monitor_of_sink != PA_INVALID_INDEX;
    return r;
}

float PulseDeviceRecord::masterScalar() const
{
    if (!pa_cvolume_valid(&volume))
        return 0.0f;
    const double scalar = double(pa_cvolume_max(&volume)) / double(PA_VOLUME_NORM);
    return float(std::clamp(scalar, 0.0, 1.0));
}

unsigned PulseDeviceRecord::endpointState() const
{
    return unplugged ? AudioEndpointState::Unplugged : AudioEndpointState::Active;
}

PulseCardRecord PulseCardRecord::fromCard(const pa_card_info &info)
{
    PulseCardRecord r;
    r.index = info.index;
    r.name = QByteArray(info.name ? info.name : "");
    const char *description = info.proplist ? pa_proplist_gets(info.proplist, PA_PROP_DEVICE_DESCRIPTION) : nullptr;
    r.description = description ? text(description) : QString::fromUtf8(r.name);

    bool anyWithSinks = false;
    bool anyWithSources = false;
    for (uint32_t i = 0; info.profiles2 && i < info.n_profiles; ++i) {
        const pa_card_profile_info2 *profile = info.profiles2[i];
        if (!profile)
            continue;
        anyWithSinks = anyWithSinks || profile->n_sinks > 0;
        anyWithSources = anyWithSources || profile->n_sources > 0;
    }
    const pa_card_profile_info2 *active = info.active_profile2;
    r.playbackSwitchedOff = anyWithSinks && (!active || active->n_sinks == 0);
    r.recordingSwitchedOff = anyWithSources && (!active || active->n_sources == 0);
    return r;
}

PulseServerRecord PulseServerRecord::fromServer(const pa_server_info &info)
{
    PulseServerRecord r;
    r.defaultSink = QByteArray(info.default_sink_name ? info.default_sink_name : "");
    r.defaultSource = QByteArray(info.default_source_name ? info.default_source_name : "");
    return r;
}

PulseModuleRecord PulseModuleRecord::fromModule(const pa_module_info &info)
{
    PulseModuleRecord r;
    r.index = info.index;
    r.name = QByteArray(info.name ? info.name : "");
    r.argument = QByteArray(info.argument ? info.argument : "");
    return r;
}

namespace PulseNames {

QString cardEndpointId(const QByteArray &cardName)
{
    return QString::fromLatin1(kCardPrefix) + QString::fromUtf8(cardName);
}

std::optional<QByteArray> cardNameFromId(const QString &id)
{
    const QString prefix = QString::fromLatin1(kCardPrefix);
    if (!id.startsWith(prefix))
        return std::nullopt;
    return id.mid(prefix.size()).toUtf8();
}

bool isValidDeviceName(const QByteArray &name)
{
    if (name.isEmpty())
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-'
               || c == '_';
    });
}

bool argumentNamesSource(const QByteArray &argument, const QByteArray &source)
{
    // Module arguments are blank-separated key=value pairs; a value may be quoted.
    const QList<QByteArray> words = argument.simplified().split(' ');
    for (const QByteArray &word : words) {
        if (!word.startsWith("source="))
            continue;
        QByteArray value = word.mid(int(sizeof("source=") - 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        if (value == source)
            return true;
    }
    return false;
}

} // namespace PulseNames

} // namespace Platform
