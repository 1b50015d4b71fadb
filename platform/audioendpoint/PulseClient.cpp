#include "platform/audioendpoint/PulseClient.h"

#include <pulse/timeval.h>

namespace Platform {

namespace {

void wakeWaiter(pa_operation *, void *loop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
}

constexpr pa_subscription_mask_t kEvents = pa_subscription_mask_t(
    PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_CARD | PA_SUBSCRIPTION_MASK_SERVER);

} // namespace

PulseClient::Lock::Lock(PulseClient &client) : m_loop(client.m_loop)
{
    if (m_loop)
        pa_threaded_mainloop_lock(m_loop);
}

PulseClient::Lock::~Lock()
{
    if (m_loop)
        pa_threaded_mainloop_unlock(m_loop);
}

PulseClient::PulseClient(Observer *observer, Options options) : m_observer(observer), m_options(std::move(options))
{
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return;
    m_api = pa_threaded_mainloop_get_api(m_loop);
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
        return;
    }
    m_running = true;

    {
        Lock lock(*this);
        startConnecting();
    }
    if (m_options.awaitConnectionInConstructor)
        awaitFirstConnection();
}

void PulseClient::awaitFirstConnection()
{
    if (!m_loop)
        return;
    Lock lock(*this);
    if (m_constructed)
        return;
    Deadline deadline;
    pa_time_event *timer = armDeadline(m_options.connectTimeoutMs, &deadline);
    while (!m_ready && !m_attemptEnded && !deadline.expired)
        pa_threaded_mainloop_wait(m_loop);
    if (timer)
        m_api->time_free(timer);
    m_constructed = true;
}

PulseClient::~PulseClient()
{
    if (!m_loop)
        return;
    {
        Lock lock(*this);
        m_stopping = true;
        for (pa_time_event **event : {&m_reconnectEvent, &m_stallEvent}) {
            if (*event) {
                m_api->time_free(*event);
                *event = nullptr;
            }
        }
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
            m_context = nullptr;
        }
    }
    if (m_running)
        pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

bool PulseClient::isReady()
{
    Lock lock(*this);
    return m_ready && !m_stalled;
}

bool PulseClient::call(const std::function<pa_operation *(pa_context *)> &issue)
{
    if (!m_loop)
        return false;
    Lock lock(*this);
    if (!m_ready || m_stalled || !m_context)
        return false;
    pa_operation *operation = issue(m_context);
    if (!operation)
        return false;
    return waitFor(operation);
}

bool PulseClient::waitFor(pa_operation *operation)
{
    pa_operation_set_state_callback(operation, &wakeWaiter, m_loop);
    Deadline deadline;
    pa_time_event *timer = armDeadline(m_options.operationTimeoutMs, &deadline);
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING && !deadline.expired)
        pa_threaded_mainloop_wait(m_loop);
    if (timer)
        m_api->time_free(timer);
    const pa_operation_state_t state = pa_operation_get_state(operation);
    if (state == PA_OPERATION_RUNNING) {
        pa_operation_cancel(operation);
        // Dropping the connection here would call the observer on this thread;
        // the loop's thread does it.
        m_stalled = true;
        if (!m_stallEvent)
            m_stallEvent = soon(&PulseClient::onStalled);
    }
    pa_operation_set_state_callback(operation, nullptr, nullptr);
    pa_operation_unref(operation);
    return state == PA_OPERATION_DONE;
}

pa_time_event *PulseClient::armDeadline(int timeoutMs, Deadline *deadline)
{
    deadline->loop = m_loop;
    struct timeval when;
    pa_gettimeofday(&when);
    pa_timeval_add(&when, pa_usec_t(timeoutMs > 0 ? timeoutMs : 0) * PA_USEC_PER_MSEC);
    return m_api->time_new(m_api, &when, &PulseClient::onDeadline, deadline);
}

void PulseClient::onDeadline(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *userdata)
{
    auto *deadline = static_cast<Deadline *>(userdata);
    deadline->expired = true;
    pa_threaded_mainloop_signal(deadline->loop, 0);
}

pa_time_event *PulseClient::soon(pa_time_event_cb_t callback)
{
    struct timeval now;
    pa_gettimeofday(&now);
    return m_api->time_new(m_api, &now, callback, this);
}

void PulseClient::onStalled(pa_mainloop_api *api, pa_time_event *event, const struct timeval *, void *userdata)
{
    auto *self = static_cast<PulseClient *>(userdata);
    api->time_free(event);
    self->m_stallEvent = nullptr;
    if (self->m_context && self->m_stalled)
        pa_context_disconnect(self->m_context); // lands in onStateChanged as a lost connection
}

void PulseClient::startConnecting()
{
    if (m_stopping)
        return;
    m_stalled = false;
    m_context = pa_context_new(m_api, m_options.applicationName.constData());
    if (!m_context) {
        m_attemptEnded = true;
        scheduleReconnect();
        return;
    }
    pa_context *context = m_context;
    pa_context_set_state_callback(context, &PulseClient::onStateChanged, this);
    const char *server = m_options.server.isEmpty() ? nullptr : m_options.server.constData();
    if (pa_context_connect(context, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 && m_context == context) {
        // Refused at once without a state change: start over later.
        dropContext();
        m_attemptEnded = true;
        scheduleReconnect();
    }
}

void PulseClient::dropContext()
{
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
    m_ready = false;
}

void PulseClient::scheduleReconnect()
{
    if (m_stopping || m_reconnectEvent)
        return;
    struct timeval when;
    pa_gettimeofday(&when);
    pa_timeval_add(&when, pa_usec_t(m_options.reconnectIntervalMs > 0 ? m_options.reconnectIntervalMs : 0)
                              * PA_USEC_PER_MSEC);
    m_reconnectEvent = m_api->time_new(m_api, &when, &PulseClient::onReconnectDue, this);
}

void PulseClient::onReconnectDue(pa_mainloop_api *api, pa_time_event *event, const struct timeval *, void *userdata)
{
    auto *self = static_cast<PulseClient *>(userdata);
    api->time_free(event);
    self->m_reconnectEvent = nullptr;
    if (!self->m_context)
        self->startConnecting();
}

void PulseClient::onStateChanged(pa_context *context, void *userdata)
{
    auto *self = static_cast<PulseClient *>(userdata);
    if (context != self->m_context)
        return;
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY: {
        self->m_ready = true;
        ++self->m_connection;
        self->m_attemptEnded = true;
        pa_context_set_subscribe_callback(context, &PulseClient::onSubscriptionEvent, self);
        if (pa_operation *subscribe = pa_context_subscribe(context, kEvents, nullptr, nullptr))
            pa_operation_unref(subscribe);
        const bool late = self->m_everReady || self->m_constructed;
        self->m_everReady = true;
        self->m_observer->onContextReady(context, late);
        break;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED: {
        const bool wasReady = self->m_ready;
        self->dropContext();
        self->m_attemptEnded = true;
        if (wasReady)
            self->m_observer->onContextLost();
        self->scheduleReconnect();
        break;
    }
    default:
        return;
    }
    pa_threaded_mainloop_signal(self->m_loop, 0);
}

void PulseClient::onSubscriptionEvent(pa_context *context, pa_subscription_event_type_t type, uint32_t index,
                                      void *userdata)
{
    auto *self = static_cast<PulseClient *>(userdata);
    if (context == self->m_context && self->m_ready)
        self->m_observer->onEvent(context, type, index);
}

} // namespace Platform
