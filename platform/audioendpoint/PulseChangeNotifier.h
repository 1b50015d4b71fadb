#pragma once

#include "platform/audioendpoint/AudioEndpointTypes.h"
#include "platform/audioendpoint/PulseClient.h"
#include "platform/audioendpoint/PulseRecords.h"

#include <memory>
#include <optional>
#include <vector>

namespace Platform {

// Turns the server's subscription events into the layer's topology and volume
// notifications. Lives on the client's loop thread; the registration calls must
// be made with the client's lock held, which is also what guarantees that no
// listener call is running once a listener has been removed.
class PulseChangeNotifier : public PulseClient::Observer
{
public:
    void addTopologyListener(std::shared_ptr<AudioTopologyListener> listener);
    void removeTopologyListener(const std::shared_ptr<AudioTopologyListener> &listener);
    // `index` is the server's index of the sink (playback) or source (recording).
    void addVolumeListener(AudioDirection direction, uint32_t index, std::shared_ptr<AudioVolumeListener> listener);
    void removeVolumeListener(const std::shared_ptr<AudioVolumeListener> &listener);

    void onContextReady(pa_context *context, bool late) override;
    void onContextLost() override;
    void onEvent(pa_context *context, pa_subscription_event_type_t type, uint32_t index) override;

private:
    struct VolumeWatch
    {
        AudioDirection direction;
        uint32_t index;
        std::shared_ptr<AudioVolumeListener> listener;
        // What this listener was last told; a change event that changes neither
        // volume nor mute (a stream starting, say) is not passed on.
        std::optional<AudioVolumeNotification> last;
    };

    static void onSinkInfo(pa_context *context, const pa_sink_info *info, int eol, void *self);
    static void onSourceInfo(pa_context *context, const pa_source_info *info, int eol, void *self);
    static void onServerInfo(pa_context *context, const pa_server_info *info, void *self);

    bool isWatched(AudioDirection direction, uint32_t index) const;
    void deliverVolume(AudioDirection direction, const PulseDeviceRecord &record);
    void notifyTopology(AudioTopologyEvent event);
    void requestServerInfo(pa_context *context);

    std::vector<std::shared_ptr<AudioTopologyListener>> m_topologyListeners;
    std::vector<VolumeWatch> m_volumeWatches;
    std::optional<PulseServerRecord> m_defaults;
};

} // namespace Platform
