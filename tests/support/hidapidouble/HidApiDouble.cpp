// The test-facing side of the double: registry, records, counters, faults.
#include "HidApiDouble.h"

#include "HidApiDoubleState.h"

#include <algorithm>
#include <utility>

namespace VirtualDevices {

HidApiDouble &HidApiDouble::instance()
{
    static HidApiDouble *theDouble = new HidApiDouble; // never destroyed: hidapi may be called during exit
    return *theDouble;
}

void HidApiDouble::reset()
{
    std::lock_guard lock(m_mutex);
    for (auto &[path, state] : m_devices) {
        state->listed = false;
        ++state->generation;
    }
    m_devices.clear();
    m_listOrder.clear();
    m_initialized = false;
    m_everExited = false;
    m_initCalls = m_exitCalls = m_enumerateCalls = m_openCalls = 0;
    m_initFailuresLeft = 0;
    m_enumerateRequests.clear();
    m_misuse.clear();
    m_globalError.reset();
    m_stallBound = std::chrono::milliseconds(10000);
    m_openHook = nullptr;
    m_enumerateHook = nullptr;
    m_changed.notify_all();
}

std::function<void()> HidApiDouble::readyCallbackFor(const std::shared_ptr<DeviceState> &state)
{
    std::weak_ptr<DeviceState> weak = state;
    return [this, weak] {
        std::lock_guard lock(m_mutex);
        if (auto device = weak.lock())
            wake(*device);
    };
}

void HidApiDouble::addDevice(const VirtualHidDevice &device, std::shared_ptr<IReportResponder> responder)
{
    std::shared_ptr<DeviceState> state;
    {
        std::lock_guard lock(m_mutex);
        auto &slot = m_devices[device.path];
        if (!slot || slot->unplugged) {
            // A re-plugged device is a new device; old handles stay dead.
            auto fresh = std::make_shared<DeviceState>();
            if (slot) {
                fresh->openFailure = slot->openFailure;
                fresh->failNonblocking = slot->failNonblocking;
            }
            slot = fresh;
        }
        slot->info = device;
        if (!slot->listed)
            m_listOrder.push_back(device.path);
        slot->listed = true;
        if (responder)
            slot->responder = responder;
        state = slot;
        wake(*slot);
    }
    if (responder)
        responder->setReportReadyCallback(readyCallbackFor(state));
}

void HidApiDouble::attachResponder(const std::string &path, std::shared_ptr<IReportResponder> responder)
{
    std::shared_ptr<DeviceState> state;
    {
        std::lock_guard lock(m_mutex);
        faultsFor(path);
        state = m_devices[path];
        state->responder = responder;
        wake(*state);
    }
    if (responder)
        responder->setReportReadyCallback(readyCallbackFor(state));
}

bool HidApiDouble::unplug(const std::string &path)
{
    std::lock_guard lock(m_mutex);
    auto state = findListed(path);
    if (!state)
        return false;
    state->listed = false;
    state->unplugged = true;
    m_listOrder.erase(std::remove(m_listOrder.begin(), m_listOrder.end(), path), m_listOrder.end());
    wake(*state);
    return true;
}

std::vector<std::string> HidApiDouble::listedPaths() const
{
    std::lock_guard lock(m_mutex);
    return m_listOrder;
}

int HidApiDouble::initCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_initCalls;
}

int HidApiDouble::exitCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_exitCalls;
}

int HidApiDouble::enumerateCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_enumerateCalls;
}

std::vector<std::pair<unsigned short, unsigned short>> HidApiDouble::enumerateRequests() const
{
    std::lock_guard lock(m_mutex);
    return m_enumerateRequests;
}

int HidApiDouble::openCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_openCalls;
}

int HidApiDouble::openHandles() const
{
    std::lock_guard lock(m_mutex);
    return m_openHandles;
}

bool HidApiDouble::isInitialized() const
{
    std::lock_guard lock(m_mutex);
    return m_initialized;
}

std::vector<std::string> HidApiDouble::misuse() const
{
    std::lock_guard lock(m_mutex);
    return m_misuse;
}

std::vector<Report> HidApiDouble::writes(const std::string &path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    return it == m_devices.end() ? std::vector<Report>{} : it->second->writes;
}

int HidApiDouble::writeAttempts(const std::string &path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    return it == m_devices.end() ? 0 : it->second->writeAttempts;
}

int HidApiDouble::readCalls(const std::string &path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    return it == m_devices.end() ? 0 : it->second->readCalls;
}

int HidApiDouble::stalledReads(const std::string &path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    return it == m_devices.end() ? 0 : it->second->stalledReads;
}

bool HidApiDouble::waitForWrites(const std::string &path, std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        auto it = m_devices.find(path);
        return it != m_devices.end() && it->second->writes.size() >= count;
    });
}

bool HidApiDouble::waitForFailedReads(const std::string &path, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        auto it = m_devices.find(path);
        return it != m_devices.end() && it->second->readFailuresLeft == 0;
    });
}

void HidApiDouble::failInit(int times)
{
    std::lock_guard lock(m_mutex);
    m_initFailuresLeft = times;
}

void HidApiDouble::failOpen(const std::string &path, const std::wstring &error)
{
    std::lock_guard lock(m_mutex);
    faultsFor(path).openFailure = error;
}

void HidApiDouble::clearOpenFailure(const std::string &path)
{
    std::lock_guard lock(m_mutex);
    faultsFor(path).openFailure.reset();
}

void HidApiDouble::failSetNonblocking(const std::string &path, bool fail)
{
    std::lock_guard lock(m_mutex);
    faultsFor(path).failNonblocking = fail;
}

void HidApiDouble::queueWriteFaults(const std::string &path, WriteFault fault, int count, std::size_t shortLength)
{
    std::lock_guard lock(m_mutex);
    auto &state = faultsFor(path);
    for (int i = 0; i < count; ++i)
        state.writeFaults.push_back({fault, shortLength});
}

void HidApiDouble::failReads(const std::string &path, int count, const std::wstring &error)
{
    std::lock_guard lock(m_mutex);
    auto &state = faultsFor(path);
    state.readFailuresLeft = count;
    state.readFailureText = error;
    wake(state);
}

void HidApiDouble::stallReads(const std::string &path, bool stalled)
{
    std::lock_guard lock(m_mutex);
    auto &state = faultsFor(path);
    state.stalled = stalled;
    wake(state);
}

void HidApiDouble::setStallBound(std::chrono::milliseconds bound)
{
    std::lock_guard lock(m_mutex);
    m_stallBound = bound;
}

void HidApiDouble::setOpenHook(std::function<void(const std::string &path)> hook)
{
    std::lock_guard lock(m_mutex);
    m_openHook = std::move(hook);
}

void HidApiDouble::setEnumerateHook(std::function<void()> hook)
{
    std::lock_guard lock(m_mutex);
    m_enumerateHook = std::move(hook);
}

std::shared_ptr<HidApiDouble::DeviceState> HidApiDouble::findListed(const std::string &path) const
{
    auto it = m_devices.find(path);
    if (it == m_devices.end() || !it->second->listed)
        return nullptr;
    return it->second;
}

HidApiDouble::DeviceState &HidApiDouble::faultsFor(const std::string &path)
{
    auto &slot = m_devices[path];
    if (!slot) {
        slot = std::make_shared<DeviceState>();
        slot->info.path = path;
    }
    return *slot;
}

void HidApiDouble::checkInitialised(const char *call)
{
    if (m_initialized)
        return;
    // hidapi initialises itself on first use; after hid_exit that means the
    // program touched the library while it had given it up.
    if (m_everExited)
        m_misuse.push_back(std::string(call) + " after hid_exit");
    m_initialized = true;
}

void HidApiDouble::wake(DeviceState &state)
{
    ++state.generation;
    m_changed.notify_all();
}

} // namespace VirtualDevices
