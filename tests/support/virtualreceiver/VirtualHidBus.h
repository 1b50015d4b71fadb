#pragma once

#include "platform/tavrelhid/HidDeviceRecord.h"
#include "platform/tavrelhid/HidPathTokens.h"
#include "platform/tavrelhid/IHidDevice.h"
#include "tests/support/virtualdevice/IReportResponder.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace VirtualDevices {

// One simulated HID interface on the bus. Open devices wait on its
// condition variable; its knobs shape the link.
struct VirtualPort
{
    int id = 0;
    std::string node;
    libtavrel::HidIdentity identity;
    std::string name;
    std::shared_ptr<IReportResponder> responder;

    std::mutex mutex;
    std::condition_variable changed;
    bool plugged = true;
    Clock::time_point visibleFrom{};
    std::optional<Clock::time_point> goneAt; // leaves the bus then
    bool openFails = false;
    int failingWrites = 0;        // the next n writes fail; -1: all of them
    bool stallWrites = false;     // writes hang until their time-out
    int stalledWrites = 0;        // writes that have begun to hang
    Clock::duration hostToDevice{}; // spacing of host reports on the link
    Clock::duration deviceToHost{}; // spacing of device reports on the link
    int opens = 0;
    // In place of the bus's, for engines that open the port from now on.
    std::optional<libtavrel::WaitScales> waitScales;
    // From handing a device report to the host to the host's next write, each time.
    std::vector<Clock::duration> hostTurnarounds;

    std::string devicePath() const;
    // Plugged and not yet gone; call with `mutex` held.
    bool present(Clock::time_point now) const { return plugged && (!goneAt || now < *goneAt); }
};

// The simulated machine's HID interfaces, shared by every virtual backend of
// the process. Tests plug devices in, turn knobs, and unplug them.
class VirtualHidBus
{
public:
    static VirtualHidBus &instance();

    // Unplugs everything and restores the defaults.
    void reset();

    std::shared_ptr<VirtualPort> plug(std::string node, libtavrel::HidIdentity identity, std::string name,
                                      std::shared_ptr<IReportResponder> responder,
                                      Clock::duration appearAfter = {});
    void unplug(const std::shared_ptr<VirtualPort> &port);
    // The device leaves after `leaveAfter` and comes back under another
    // product id after `appearAfter`, as a receiver does when it switches
    // into its update mode.
    std::shared_ptr<VirtualPort> replug(const std::shared_ptr<VirtualPort> &port, std::uint16_t productId,
                                        Clock::duration leaveAfter, Clock::duration appearAfter);

    std::vector<libtavrel::HidDeviceRecord> enumerate();
    std::shared_ptr<VirtualPort> find(const std::string &devicePath);

    // How long the engine's fixed waits last with devices opened from now on,
    // as fractions of their real lengths: all alike, or each its own.
    void setTimeScale(double scale);
    void setWaitScales(const libtavrel::WaitScales &scales);
    libtavrel::WaitScales waitScales() const;

    // The engine's waits for an answer at ten seconds or more (their real
    // length where that is longer), so that a slow machine cannot end one
    // before the answer is read; its pauses (between polls, after the
    // loader) at `pauseScale`. An answered wait ends with its answer, so the
    // length costs nothing.
    static libtavrel::WaitScales longAnswerWaits(double pauseScale);
    // Engines that open `port` from now on take these lengths, or the bus's
    // again when there are none (e.g. short ones while the device is silent).
    static void setPortWaitScales(VirtualPort &port, std::optional<libtavrel::WaitScales> scales);

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<VirtualPort>> ports_;
    int nextId_ = 1;
    libtavrel::WaitScales waitScales_;
};

} // namespace VirtualDevices
