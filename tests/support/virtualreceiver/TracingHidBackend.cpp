#include "tests/support/virtualreceiver/TracingHidBackend.h"

#include <sstream>

namespace VirtualDevices {

namespace {

// The engine's device, unchanged, with a line when the engine lets go of it.
class TracedDevice : public libtavrel::IHidDevice
{
public:
    TracedDevice(std::shared_ptr<libtavrel::IHidDevice> inner, std::function<void()> onClose)
        : inner_(std::move(inner)), onClose_(std::move(onClose))
    {
    }
    ~TracedDevice() override
    {
        inner_.reset();
        onClose_();
    }

    libtavrel::HidIoResult writeReport(const libtavrel::HidReport &report, std::chrono::milliseconds timeout) override
    {
        return inner_->writeReport(report, timeout);
    }
    libtavrel::HidIoResult readReport(libtavrel::HidReport &report, std::size_t &length,
                                      std::chrono::milliseconds timeout) override
    {
        return inner_->readReport(report, length, timeout);
    }
    void interruptRead() override { inner_->interruptRead(); }
    void cancel() override { inner_->cancel(); }
    libtavrel::WaitScales waitScales() const override { return inner_->waitScales(); }

private:
    std::shared_ptr<libtavrel::IHidDevice> inner_;
    std::function<void()> onClose_;
};

} // namespace

TracingHidBackend::TracingHidBackend(libtavrel::IHidBackend &inner, std::shared_ptr<VirtualReceiver> receiver,
                                     std::vector<int> channels, std::FILE *out,
                                     std::function<void(int)> onImageVerified)
    : inner_(inner)
    , receiver_(std::move(receiver))
    , channels_(std::move(channels))
    , out_(out)
    , onImageVerified_(std::move(onImageVerified))
{
}

std::vector<libtavrel::HidDeviceRecord> TracingHidBackend::enumerate()
{
    return inner_.enumerate();
}

std::shared_ptr<libtavrel::IHidDevice> TracingHidBackend::open(const std::string &devicePath)
{
    auto device = inner_.open(devicePath);
    if (!device) {
        write("open failed: " + devicePath);
        return nullptr;
    }
    write("opened " + devicePath);
    return std::make_shared<TracedDevice>(std::move(device), [this, devicePath] { onClosed(devicePath); });
}

void TracingHidBackend::onClosed(const std::string &devicePath)
{
    write("closed " + devicePath);
    for (const std::string &line : firmwareLines())
        write(line);
    for (const int channel : channels_) {
        bool matches = false;
        receiver_->withFirmware(channel, [&](VirtualFirmware &firmware) { matches = firmware.imageMatches(); });
        if (!matches || !onImageVerified_)
            continue;
        {
            std::lock_guard lock(mutex_);
            if (!verified_.insert(channel).second)
                continue;
        }
        onImageVerified_(channel);
    }
}

std::vector<std::string> TracingHidBackend::firmwareLines() const
{
    std::vector<std::string> lines;
    for (const int channel : channels_) {
        receiver_->withFirmware(channel, [&](VirtualFirmware &firmware) {
            std::ostringstream line;
            line << (channel == VirtualReceiver::kSelfChannel ? "receiver" : "headset") << " (channel " << channel
                 << "): " << firmware.receivedImage().size() << "/" << firmware.behaviour().expectedImage.size()
                 << " bytes";
            if (firmware.imageMatches())
                line << ", image complete and verified, " << firmware.restarts() << " restarts";
            else if (firmware.imageComplete())
                line << ", image complete but NOT the one offered";
            lines.push_back(line.str());
        });
    }
    return lines;
}

void TracingHidBackend::write(const std::string &line) const
{
    std::fprintf(out_, "[VirtualReceiver] %s\n", line.c_str());
    std::fflush(out_);
}

} // namespace VirtualDevices
