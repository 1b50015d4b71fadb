#pragma once

#include "tests/support/hidapidouble/VirtualHidDevice.h"
#include "tests/support/virtualdevice/IReportResponder.h"

#include <hidapi/hidapi.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace VirtualDevices {

// The process-wide state behind the hidapi functions that this library
// exports in place of the real hidapi: a registry of virtual HID interfaces,
// the responders that play the devices, a byte-exact record of every write,
// call counters and injected failures. Every member is thread-safe: hidapi is
// called from the program's threads while a test scripts from its own.
//
// Responders are called without the double's lock held, so a responder may
// call its report-ready callback from inside onHostReport.
class HidApiDouble
{
public:
    enum class WriteFault {
        Error, // hid_write returns -1 and hid_error names the failure
        Zero,  // hid_write returns 0 and nothing reaches the device
        Short, // only the first `shortLength` bytes reach the device; that count is returned
    };

    static HidApiDouble &instance();

    // Forgets every device, counter, record and fault; hidapi counts as never
    // initialised. Handles still open keep working on their (now unlisted) device.
    void reset();

    // Registry. A path is listed once; adding it again replaces the record
    // (and the responder when one is given), which is how a rename is played.
    void addDevice(const VirtualHidDevice &device, std::shared_ptr<IReportResponder> responder = {});
    void attachResponder(const std::string &path, std::shared_ptr<IReportResponder> responder);
    // The device leaves the bus: it is no longer listed, and open handles fail
    // every read and write with -1 from now on. False when the path is unknown.
    bool unplug(const std::string &path);
    std::vector<std::string> listedPaths() const;

    // Counters.
    int initCalls() const;
    int exitCalls() const;
    int enumerateCalls() const;
    std::vector<std::pair<unsigned short, unsigned short>> enumerateRequests() const; // (vid, pid) per call
    int openCalls() const;
    int openHandles() const; // handles opened and not yet closed
    bool isInitialized() const;
    // hidapi used the wrong way (a call while the library is shut down, a
    // handle closed twice, two of hid_init, hid_exit, hid_enumerate and
    // hid_open_path at once on different threads, ...); one line per misuse.
    std::vector<std::string> misuse() const;

    // Writes that reached a device, byte for byte, in order, and all attempts.
    std::vector<Report> writes(const std::string &path) const;
    int writeAttempts(const std::string &path) const;
    int readCalls(const std::string &path) const;
    int stalledReads(const std::string &path) const; // reads held by stallReads right now
    // Waits until `path` has received at least `count` writes.
    bool waitForWrites(const std::string &path, std::size_t count, std::chrono::milliseconds timeout) const;
    // Waits until every read failure queued by failReads on `path` has been returned.
    bool waitForFailedReads(const std::string &path, std::chrono::milliseconds timeout) const;

    // Failures.
    void failInit(int times);                                           // the next `times` hid_init calls fail
    void failOpen(const std::string &path, const std::wstring &error);  // every open fails; empty error: hid_error(NULL) gives null
    void clearOpenFailure(const std::string &path);
    void failSetNonblocking(const std::string &path, bool fail);
    void queueWriteFaults(const std::string &path, WriteFault fault, int count = 1, std::size_t shortLength = 0);
    void failReads(const std::string &path, int count, const std::wstring &error = L"read error (injected)");
    // While stalled, reads on `path` block whatever their time-out says, as a
    // hung driver would, until released (or the stall bound passes, so nothing hangs forever).
    void stallReads(const std::string &path, bool stalled);
    void setStallBound(std::chrono::milliseconds bound);
    // Runs inside hid_open_path just before it returns, without the double's
    // lock: plays whatever races an open (an unplug and a rescan, say).
    void setOpenHook(std::function<void(const std::string &path)> hook);
    // Runs inside hid_enumerate before it lists anything, without the double's
    // lock: plays a scan stuck in the system.
    void setEnumerateHook(std::function<void()> hook);

    // hidapi entry points (called by the exported C functions).
    int hidInit();
    int hidExit();
    hid_device_info *hidEnumerate(unsigned short vendorId, unsigned short productId);
    void hidFreeEnumeration(hid_device_info *devices);
    hid_device *hidOpenPath(const char *path);
    int hidSetNonblocking(hid_device *device, int nonblock);
    int hidRead(hid_device *device, unsigned char *data, std::size_t length, int milliseconds);
    int hidReadDefault(hid_device *device, unsigned char *data, std::size_t length); // hid_read: blocking unless set non-blocking
    int hidWrite(hid_device *device, const unsigned char *data, std::size_t length);
    const wchar_t *hidError(hid_device *device);
    void hidClose(hid_device *device);

    struct DeviceState;

private:
    class GlobalCall;

    HidApiDouble() = default;

    std::shared_ptr<DeviceState> findListed(const std::string &path) const; // lock held
    DeviceState &faultsFor(const std::string &path);                         // lock held; creates a placeholder
    void checkInitialised(const char *call);                                 // lock held
    void wake(DeviceState &state);                                           // lock held
    std::function<void()> readyCallbackFor(const std::shared_ptr<DeviceState> &state);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    // Every path ever named, listed or not; faults can be set before a device is added.
    std::map<std::string, std::shared_ptr<DeviceState>> m_devices;
    std::vector<std::string> m_listOrder;
    bool m_initialized = false;
    bool m_everExited = false;
    int m_initCalls = 0;
    int m_exitCalls = 0;
    int m_enumerateCalls = 0;
    int m_openCalls = 0;
    int m_openHandles = 0;
    int m_initFailuresLeft = 0;
    std::vector<std::pair<unsigned short, unsigned short>> m_enumerateRequests;
    std::vector<std::string> m_misuse;
    std::atomic<int> m_globalCallsInFlight{0}; // not reset: a call may be running
    std::optional<std::wstring> m_globalError;
    std::chrono::milliseconds m_stallBound{10000};
    std::function<void(const std::string &)> m_openHook;
    std::function<void()> m_enumerateHook;
};

} // namespace VirtualDevices
