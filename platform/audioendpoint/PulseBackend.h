#pragma once

#include "platform/audioendpoint/PulseChangeNotifier.h"
#include "platform/audioendpoint/PulseClient.h"
#include "platform/audioendpoint/PulseRequests.h"

namespace Platform {

// What the system object and its volume objects share. The notifier is built
// before the client and outlives it, since the client's thread calls it.
struct PulseBackend
{
    explicit PulseBackend(const PulseClient::Options &options) : client(&notifier, options), requests(client) {}

    PulseChangeNotifier notifier;
    PulseClient client;
    PulseRequests requests;
};

} // namespace Platform
