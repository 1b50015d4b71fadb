#pragma once

#include "libtavrel/Executor.h"
#include "tests/support/virtualreceiver/VirtualHidBus.h"
#include "tests/support/virtualreceiver/VirtualPortDevice.h"
#include "tests/support/virtualreceiver/VirtualReceiver.h"

#include <memory>

// An executor over a virtual receiver on a private bus, with short time-outs.
struct ExecutorRig
{
    static libtavrel::ExecutorTimeouts fastTimeouts()
    {
        using namespace std::chrono_literals;
        libtavrel::ExecutorTimeouts t;
        t.write = 500ms;
        t.reply = 300ms;
        t.receiverReply = 200ms;
        t.lock = 1s;
        t.reconnectPoll = 5ms;
        t.loaderSettle = 2ms;
        return t;
    }

    explicit ExecutorRig(libtavrel::ExecutorTimeouts timeouts = fastTimeouts())
        : receiver(std::make_shared<VirtualDevices::VirtualReceiver>())
        , port(bus.plug("/virtual/hidraw0", {0x3654, 0x6901, 0x0100, 3}, "Velkora Receiver", receiver))
        , device(std::make_shared<VirtualDevices::VirtualPortDevice>(port))
        , executor(std::make_unique<libtavrel::Executor>(device, timeouts))
    {
    }

    VirtualDevices::VirtualHidBus bus;
    std::shared_ptr<VirtualDevices::VirtualReceiver> receiver;
    std::shared_ptr<VirtualDevices::VirtualPort> port;
    std::shared_ptr<VirtualDevices::VirtualPortDevice> device;
    std::unique_ptr<libtavrel::Executor> executor;
};
