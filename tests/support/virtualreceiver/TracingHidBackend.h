#pragma once

#include "platform/tavrelhid/IHidBackend.h"
#include "tests/support/virtualreceiver/VirtualReceiver.h"

#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <memory>
#include <vector>

namespace VirtualDevices {

// Another backend, with a "[VirtualReceiver] ..." line for each open and
// close of a device by the engine; at each close the firmware of the watched
// channels says how much of its image arrived and whether it is the one it
// was offered. For a person watching an update of the real program.
class TracingHidBackend : public libtavrel::IHidBackend
{
public:
    // `onImageVerified` runs once for each watched channel whose firmware
    // has its whole image, verified, when the engine closes the device.
    TracingHidBackend(libtavrel::IHidBackend &inner, std::shared_ptr<VirtualReceiver> receiver,
                      std::vector<int> channels, std::FILE *out,
                      std::function<void(int channel)> onImageVerified = {});

    std::vector<libtavrel::HidDeviceRecord> enumerate() override;
    std::shared_ptr<libtavrel::IHidDevice> open(const std::string &devicePath) override;

    // One line per watched channel: "headset (channel 3): 6000/6000 bytes, image complete and verified".
    std::vector<std::string> firmwareLines() const;

private:
    void write(const std::string &line) const;
    void onClosed(const std::string &devicePath);

    libtavrel::IHidBackend &inner_;
    std::shared_ptr<VirtualReceiver> receiver_;
    std::vector<int> channels_;
    std::FILE *out_;
    std::function<void(int)> onImageVerified_;
    std::mutex mutex_;
    std::set<int> verified_; // channels already reported
};

} // namespace VirtualDevices
