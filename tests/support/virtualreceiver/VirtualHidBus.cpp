#include "tests/support/virtualreceiver/VirtualHidBus.h"

#include <algorithm>

namespace VirtualDevices {

std::string VirtualPort::devicePath() const
{
    return node + libtavrel::formatPathTokens(identity);
}

VirtualHidBus &VirtualHidBus::instance()
{
    static VirtualHidBus bus;
    return bus;
}

void VirtualHidBus::reset()
{
    std::vector<std::shared_ptr<VirtualPort>> ports;
    {
        std::lock_guard lock(mutex_);
        ports.swap(ports_);
        waitScales_ = {};
    }
    for (auto &port : ports)
        unplug(port);
}

std::shared_ptr<VirtualPort> VirtualHidBus::plug(std::string node, libtavrel::HidIdentity identity, std::string name,
                                                 std::shared_ptr<IReportResponder> responder,
                                                 Clock::duration appearAfter)
{
    auto port = std::make_shared<VirtualPort>();
    port->node = std::move(node);
    port->identity = identity;
    port->name = std::move(name);
    port->responder = std::move(responder);
    port->visibleFrom = Clock::now() + appearAfter;
    std::weak_ptr<VirtualPort> weak = port;
    port->responder->setReportReadyCallback([weak] {
        if (auto p = weak.lock()) {
            { std::lock_guard lock(p->mutex); }
            p->changed.notify_all();
        }
    });
    std::lock_guard lock(mutex_);
    port->id = nextId_++;
    ports_.push_back(port);
    return port;
}

void VirtualHidBus::unplug(const std::shared_ptr<VirtualPort> &port)
{
    if (!port)
        return;
    {
        std::lock_guard lock(mutex_);
        ports_.erase(std::remove(ports_.begin(), ports_.end(), port), ports_.end());
    }
    {
        std::lock_guard lock(port->mutex);
        port->plugged = false;
    }
    port->changed.notify_all();
}

std::shared_ptr<VirtualPort> VirtualHidBus::replug(const std::shared_ptr<VirtualPort> &port, std::uint16_t productId,
                                                   Clock::duration leaveAfter, Clock::duration appearAfter)
{
    {
        std::lock_guard lock(port->mutex);
        port->goneAt = Clock::now() + leaveAfter;
    }
    port->changed.notify_all();
    auto identity = port->identity;
    identity.productId = productId;
    return plug(port->node, identity, port->name, port->responder, appearAfter);
}

std::vector<libtavrel::HidDeviceRecord> VirtualHidBus::enumerate()
{
    std::lock_guard lock(mutex_);
    std::vector<libtavrel::HidDeviceRecord> records;
    const auto now = Clock::now();
    for (const auto &port : ports_) {
        if (port->visibleFrom > now || (port->goneAt && now >= *port->goneAt))
            continue;
        records.push_back({libtavrel::formatHardwareId(port->identity), port->devicePath(), port->name});
    }
    return records;
}

std::shared_ptr<VirtualPort> VirtualHidBus::find(const std::string &devicePath)
{
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    for (const auto &port : ports_) {
        if (port->visibleFrom <= now && (!port->goneAt || now < *port->goneAt) && port->devicePath() == devicePath)
            return port;
    }
    return nullptr;
}

void VirtualHidBus::setTimeScale(double scale)
{
    setWaitScales(libtavrel::WaitScales::uniform(scale));
}

void VirtualHidBus::setWaitScales(const libtavrel::WaitScales &scales)
{
    std::lock_guard lock(mutex_);
    waitScales_ = scales;
}

libtavrel::WaitScales VirtualHidBus::waitScales() const
{
    std::lock_guard lock(mutex_);
    return waitScales_;
}

libtavrel::WaitScales VirtualHidBus::longAnswerWaits(double pauseScale)
{
    libtavrel::WaitScales scales;
    scales.write = 5.0;          // 2 s
    scales.receiverReply = 10.0; // 1 s
    scales.reconnectPoll = pauseScale;
    scales.loaderSettle = pauseScale;
    return scales;
}

void VirtualHidBus::setPortWaitScales(VirtualPort &port, std::optional<libtavrel::WaitScales> scales)
{
    std::lock_guard lock(port.mutex);
    port.waitScales = scales;
}

} // namespace VirtualDevices
