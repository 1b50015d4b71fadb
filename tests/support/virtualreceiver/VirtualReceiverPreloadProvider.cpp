// The engine's C interface over the virtual bus, as a shared object that can
// be preloaded in front of a real program run (its exports win over the
// shipped library's). The receiver is plugged from the environment when the
// engine first asks for its backend:
//
//   VELKORA_TAVREL_VIRTUAL_RECEIVER=/dev/hidraw0      node of the receiver (3654:6901, interface 3)
//   VELKORA_TAVREL_VIRTUAL_HEADSET_IMAGE=<file>       a headset on channel 3 that takes this image
//   VELKORA_TAVREL_VIRTUAL_RECEIVER_IMAGE=<file>      the receiver's own firmware takes this image
//   VELKORA_TAVREL_VIRTUAL_TIME_SCALE=<fraction>      of the engine's fixed waits (default 1)
//   VELKORA_TAVREL_VIRTUAL_LINK_US=<microseconds>     per report on the link (default 0)
//   VELKORA_TAVREL_VIRTUAL_HEADSET_VERSION=<version>  what the headset runs once its image is in,
//   VELKORA_TAVREL_VIRTUAL_RECEIVER_VERSION=<version> and the receiver (told to the hidapi double's
//                                                     virtual headset when it is preloaded too)
//
// Both devices take their image after a loader, as the real ones do. Opens,
// closes and what each firmware received go to stderr ("[VirtualReceiver] ...").
#include "libtavrel/HidBackendProvider.h"

#include "tests/support/virtualreceiver/TestFirmware.h"
#include "tests/support/virtualreceiver/TracingHidBackend.h"
#include "tests/support/virtualreceiver/VirtualHidBackend.h"
#include "tests/support/virtualreceiver/VirtualHidBus.h"
#include "tests/support/virtualreceiver/VirtualReceiver.h"

#include <cstdio>
#include <dlfcn.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::vector<std::uint8_t> readImage(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "[VirtualReceiver] cannot read image %s\n", path.c_str());
        return {};
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

libtavrel::IHidBackend &configuredBackend()
{
    using namespace VirtualDevices;
    static VirtualHidBackend plain;
    const std::string node = environment("VELKORA_TAVREL_VIRTUAL_RECEIVER");
    if (node.empty())
        return plain;

    auto &bus = VirtualHidBus::instance();
    if (const std::string scale = environment("VELKORA_TAVREL_VIRTUAL_TIME_SCALE"); !scale.empty())
        bus.setTimeScale(std::strtod(scale.c_str(), nullptr));
    auto receiver = std::make_shared<VirtualReceiver>();
    std::vector<int> channels;
    if (const std::string path = environment("VELKORA_TAVREL_VIRTUAL_RECEIVER_IMAGE"); !path.empty()) {
        receiver->setOwnFirmware(testFirmware(readImage(path), true));
        channels.push_back(VirtualReceiver::kSelfChannel);
    }
    if (const std::string path = environment("VELKORA_TAVREL_VIRTUAL_HEADSET_IMAGE"); !path.empty()) {
        ClientEntry headset;
        headset.channel = 3;
        receiver->addHeadset(headset, testFirmware(readImage(path), true));
        channels.push_back(headset.channel);
    }
    auto port = receiver->plugInto(bus, node);
    if (const std::string link = environment("VELKORA_TAVREL_VIRTUAL_LINK_US"); !link.empty()) {
        std::lock_guard lock(port->mutex);
        port->hostToDevice = std::chrono::microseconds(std::strtol(link.c_str(), nullptr, 10));
        port->deviceToHost = port->hostToDevice;
    }
    std::fprintf(stderr, "[VirtualReceiver] plugged in at %s\n", port->devicePath().c_str());
    static TracingHidBackend traced(plain, receiver, channels, stderr, [](int channel) {
        // The program reads the versions through its own HID stack, the hidapi double.
        using Install = void (*)(const char *, const char *);
        const auto install = reinterpret_cast<Install>(::dlsym(RTLD_DEFAULT, "velkora_hidapi_double_install_firmware"));
        const bool self = channel == VirtualReceiver::kSelfChannel;
        const std::string version =
            environment(self ? "VELKORA_TAVREL_VIRTUAL_RECEIVER_VERSION" : "VELKORA_TAVREL_VIRTUAL_HEADSET_VERSION");
        if (!install || version.empty())
            return;
        install(self ? nullptr : version.c_str(), self ? version.c_str() : nullptr);
        std::fprintf(stderr, "[VirtualReceiver] %s now runs firmware %s\n", self ? "receiver" : "headset",
                     version.c_str());
    });
    return traced;
}

} // namespace

namespace libtavrel {

IHidBackend &hidBackend()
{
    static IHidBackend &backend = configuredBackend();
    return backend;
}

} // namespace libtavrel
