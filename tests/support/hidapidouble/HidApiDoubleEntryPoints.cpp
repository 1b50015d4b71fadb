// The hidapi side of the double: what the exported C functions do.
#include "HidApiDouble.h"

#include "HidApiDoubleState.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace VirtualDevices {

namespace {

wchar_t *copyWide(const std::wstring &text)
{
    auto *copy = static_cast<wchar_t *>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
    std::wmemcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

} // namespace

// hidapi keeps one process-wide error text that hid_init, hid_exit,
// hid_enumerate and hid_open_path free and replace without a lock; two of
// them at once on different threads can free it twice. The double records
// such an overlap as misuse.
class HidApiDouble::GlobalCall
{
public:
    GlobalCall(HidApiDouble &api, const char *call) : m_api(api)
    {
        if (m_api.m_globalCallsInFlight.fetch_add(1) > 0) {
            std::lock_guard lock(m_api.m_mutex);
            m_api.m_misuse.push_back(std::string(call) + " while another global hidapi call runs");
        }
    }
    ~GlobalCall() { m_api.m_globalCallsInFlight.fetch_sub(1); }
    GlobalCall(const GlobalCall &) = delete;
    GlobalCall &operator=(const GlobalCall &) = delete;

private:
    HidApiDouble &m_api;
};

int HidApiDouble::hidInit()
{
    GlobalCall call(*this, "hid_init");
    std::lock_guard lock(m_mutex);
    ++m_initCalls;
    if (m_initFailuresLeft > 0) {
        --m_initFailuresLeft;
        m_globalError = L"hid_init failed (injected)";
        return -1;
    }
    m_initialized = true;
    m_globalError.reset();
    return 0;
}

int HidApiDouble::hidExit()
{
    GlobalCall call(*this, "hid_exit");
    std::lock_guard lock(m_mutex);
    ++m_exitCalls;
    if (m_openHandles > 0)
        m_misuse.push_back("hid_exit with " + std::to_string(m_openHandles) + " open handle(s)");
    m_initialized = false;
    m_everExited = true;
    return 0;
}

hid_device_info *HidApiDouble::hidEnumerate(unsigned short vendorId, unsigned short productId)
{
    GlobalCall call(*this, "hid_enumerate");
    std::function<void()> hook;
    {
        std::lock_guard lock(m_mutex);
        hook = m_enumerateHook;
    }
    if (hook)
        hook();
    std::lock_guard lock(m_mutex);
    checkInitialised("hid_enumerate");
    ++m_enumerateCalls;
    m_enumerateRequests.emplace_back(vendorId, productId);
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const std::string &path : m_listOrder) {
        const VirtualHidDevice &d = m_devices.at(path)->info;
        if ((vendorId != 0 && d.vendorId != vendorId) || (productId != 0 && d.productId != productId))
            continue;
        auto *entry = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
        entry->path = strdup(d.path.c_str());
        entry->vendor_id = d.vendorId;
        entry->product_id = d.productId;
        entry->serial_number = copyWide(d.serialNumber);
        entry->release_number = d.releaseNumber;
        entry->manufacturer_string = copyWide(d.manufacturer);
        entry->product_string = copyWide(d.productName);
        entry->usage_page = d.usagePage;
        entry->usage = d.usage;
        entry->interface_number = d.interfaceNumber;
        entry->bus_type = HID_API_BUS_USB;
        *tail = entry;
        tail = &entry->next;
    }
    return head;
}

void HidApiDouble::hidFreeEnumeration(hid_device_info *devices)
{
    while (devices) {
        hid_device_info *next = devices->next;
        std::free(devices->path);
        std::free(devices->serial_number);
        std::free(devices->manufacturer_string);
        std::free(devices->product_string);
        std::free(devices);
        devices = next;
    }
}

hid_device *HidApiDouble::hidOpenPath(const char *path)
{
    GlobalCall call(*this, "hid_open_path"); // the open hook runs inside the call
    const std::string key = path ? path : "";
    hid_device *handle = nullptr;
    std::function<void(const std::string &)> hook;
    {
        std::lock_guard lock(m_mutex);
        checkInitialised("hid_open_path");
        ++m_openCalls;
        hook = m_openHook;
        auto it = m_devices.find(key);
        auto state = findListed(key);
        if (it != m_devices.end() && it->second->openFailure) {
            if (it->second->openFailure->empty())
                m_globalError.reset();
            else
                m_globalError = *it->second->openFailure;
        } else if (!state) {
            m_globalError = L"hid_open_path: device not found";
        } else {
            m_globalError.reset();
            handle = new hid_device_;
            handle->device = state;
            ++m_openHandles;
        }
    }
    if (hook)
        hook(key);
    return handle;
}

int HidApiDouble::hidSetNonblocking(hid_device *device, int nonblock)
{
    std::lock_guard lock(m_mutex);
    if (device->device->failNonblocking) {
        device->lastError = L"hid_set_nonblocking failed (injected)";
        return -1;
    }
    device->nonblocking = nonblock != 0;
    return 0;
}

int HidApiDouble::hidRead(hid_device *device, unsigned char *data, std::size_t length, int milliseconds)
{
    using namespace std::chrono;
    const auto start = Clock::now();
    // A negative time-out waits for good (bounded by a day, so nothing hangs forever).
    const bool blocking = milliseconds < 0;
    const Clock::time_point deadline = start + (blocking ? std::chrono::milliseconds(hours(24))
                                                         : std::chrono::milliseconds(milliseconds));
    std::unique_lock lock(m_mutex);
    checkInitialised("hid_read");
    DeviceState &state = *device->device;
    ++state.readCalls;
    for (;;) {
        if (state.unplugged) {
            device->lastError = L"hid_read_timeout: device disconnected";
            return -1;
        }
        if (state.readFailuresLeft > 0) {
            --state.readFailuresLeft;
            device->lastError = state.readFailureText;
            m_changed.notify_all(); // for waitForFailedReads
            return -1;
        }
        if (state.stalled) {
            const std::uint64_t seen = state.generation;
            ++state.stalledReads;
            m_changed.notify_all();
            const bool woken =
                m_changed.wait_until(lock, start + m_stallBound, [&] { return state.generation != seen; });
            --state.stalledReads;
            if (!woken)
                return 0;
            continue;
        }
        const std::uint64_t seen = state.generation;
        std::shared_ptr<IReportResponder> responder = state.responder;
        lock.unlock();
        std::optional<Report> report;
        std::optional<Clock::time_point> due;
        if (responder) {
            report = responder->takeDeviceReport(Clock::now());
            if (!report)
                due = responder->nextDueTime();
        }
        lock.lock();
        if (report) {
            const std::size_t n = std::min(length, report->size());
            std::memcpy(data, report->data(), n);
            device->lastError.reset();
            return static_cast<int>(n);
        }
        const auto now = Clock::now();
        if (!blocking && now >= deadline)
            return 0;
        auto wakeAt = deadline;
        if (due)
            wakeAt = std::min(wakeAt, std::max(*due, now + std::chrono::milliseconds(1)));
        m_changed.wait_until(lock, wakeAt, [&] { return state.generation != seen; });
    }
}

int HidApiDouble::hidReadDefault(hid_device *device, unsigned char *data, std::size_t length)
{
    bool nonblocking;
    {
        std::lock_guard lock(m_mutex);
        nonblocking = device->nonblocking;
    }
    return hidRead(device, data, length, nonblocking ? 0 : -1);
}

int HidApiDouble::hidWrite(hid_device *device, const unsigned char *data, std::size_t length)
{
    std::shared_ptr<IReportResponder> responder;
    Report delivered;
    {
        std::lock_guard lock(m_mutex);
        checkInitialised("hid_write");
        DeviceState &state = *device->device;
        ++state.writeAttempts;
        if (state.unplugged) {
            device->lastError = L"hid_write: device disconnected";
            return -1;
        }
        std::size_t n = length;
        if (!state.writeFaults.empty()) {
            const auto fault = state.writeFaults.front();
            state.writeFaults.pop_front();
            switch (fault.fault) {
            case WriteFault::Error:
                device->lastError = L"hid_write: write error (injected)";
                return -1;
            case WriteFault::Zero:
                return 0;
            case WriteFault::Short:
                n = std::min(length, fault.shortLength);
                break;
            }
        }
        delivered.assign(data, data + n);
        state.writes.push_back(delivered);
        device->lastError.reset();
        responder = state.responder;
        wake(state);
    }
    if (responder && !delivered.empty())
        responder->onHostReport(delivered, Clock::now());
    return static_cast<int>(delivered.size());
}

const wchar_t *HidApiDouble::hidError(hid_device *device)
{
    std::lock_guard lock(m_mutex);
    if (device)
        return device->lastError ? device->lastError->c_str() : nullptr;
    return m_globalError ? m_globalError->c_str() : nullptr;
}

void HidApiDouble::hidClose(hid_device *device)
{
    if (!device)
        return;
    {
        std::lock_guard lock(m_mutex);
        if (!m_initialized && m_everExited)
            m_misuse.push_back("hid_close after hid_exit");
        --m_openHandles;
        wake(*device->device);
    }
    delete device;
}

} // namespace VirtualDevices
