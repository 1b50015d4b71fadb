#pragma once

#include "platform/tavrelhid/IHidBackend.h"

#include <filesystem>

namespace libtavrel {

// HID interfaces through hidraw: listed from sysfs, opened as /dev nodes.
// Device paths read "/dev/hidraw3#vid_3654&pid_6901&mi_03", hardware ids
// "HID\VID_3654&PID_6901&REV_0100&MI_03", so path filters written for the
// other platform's names keep working.
class LinuxHidBackend : public IHidBackend
{
public:
    // The roots are injectable so that a fake sysfs tree can be listed.
    explicit LinuxHidBackend(std::filesystem::path sysClassHidraw = "/sys/class/hidraw",
                             std::filesystem::path devRoot = "/dev");

    std::vector<HidDeviceRecord> enumerate() override;
    std::shared_ptr<IHidDevice> open(const std::string &devicePath) override;

private:
    std::filesystem::path sysClassHidraw_;
    std::filesystem::path devRoot_;
};

} // namespace libtavrel
