#include "platform/tavrelhid/LinuxHidBackend.h"

#include "platform/tavrelhid/HidPathTokens.h"
#include "platform/tavrelhid/LinuxHidDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <optional>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace libtavrel {

namespace {

struct UeventFields
{
    unsigned bus = 0;
    HidIdentity identity;
    std::string name;
};

std::optional<std::string> readFirstLine(const fs::path &file)
{
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line))
        return std::nullopt;
    return line;
}

std::optional<unsigned long> parseNumber(const std::string &text, int base)
{
    if (text.empty())
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text.c_str(), &end, base);
    if (errno != 0 || end == text.c_str() || (*end != '\0' && *end != '\n' && *end != ' '))
        return std::nullopt;
    return value;
}

// HID_ID=0003:00003654:00006901 and HID_NAME=... of the HID device's uevent.
std::optional<UeventFields> readUevent(const fs::path &file)
{
    std::ifstream in(file);
    if (!in)
        return std::nullopt;
    UeventFields fields;
    bool haveId = false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("HID_ID=", 0) == 0) {
            const std::string id = line.substr(7);
            const auto c1 = id.find(':');
            const auto c2 = id.find(':', c1 == std::string::npos ? c1 : c1 + 1);
            if (c1 == std::string::npos || c2 == std::string::npos)
                return std::nullopt;
            const auto bus = parseNumber(id.substr(0, c1), 16);
            const auto vid = parseNumber(id.substr(c1 + 1, c2 - c1 - 1), 16);
            const auto pid = parseNumber(id.substr(c2 + 1), 16);
            if (!bus || !vid || !pid || *vid > 0xFFFF || *pid > 0xFFFF)
                return std::nullopt;
            fields.bus = unsigned(*bus);
            fields.identity.vendorId = std::uint16_t(*vid);
            fields.identity.productId = std::uint16_t(*pid);
            haveId = true;
        } else if (line.rfind("HID_NAME=", 0) == 0) {
            fields.name = line.substr(9);
        }
    }
    if (!haveId)
        return std::nullopt;
    return fields;
}

// The USB interface number and the device's bcdDevice sit in ancestors of the
// HID device's sysfs folder.
void readUsbAncestry(const fs::path &hidDevice, HidIdentity &identity)
{
    std::error_code ec;
    fs::path dir = fs::canonical(hidDevice, ec);
    if (ec)
        return;
    for (int depth = 0; depth < 4 && dir.has_relative_path(); ++depth) {
        dir = dir.parent_path();
        if (!identity.interfaceNumber) {
            if (const auto line = readFirstLine(dir / "bInterfaceNumber"))
                if (const auto n = parseNumber(*line, 16); n && *n <= 0xFF)
                    identity.interfaceNumber = std::uint8_t(*n);
        }
        if (const auto line = readFirstLine(dir / "bcdDevice")) {
            if (const auto n = parseNumber(*line, 16); n && *n <= 0xFFFF)
                identity.revision = std::uint16_t(*n);
            return;
        }
    }
}

int nodeNumber(const std::string &name)
{
    return std::atoi(name.c_str() + 6); // after "hidraw"
}

} // namespace

LinuxHidBackend::LinuxHidBackend(fs::path sysClassHidraw, fs::path devRoot)
    : sysClassHidraw_(std::move(sysClassHidraw))
    , devRoot_(std::move(devRoot))
{
}

std::vector<HidDeviceRecord> LinuxHidBackend::enumerate()
{
    std::vector<std::string> nodes;
    std::error_code ec;
    for (fs::directory_iterator it(sysClassHidraw_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("hidraw", 0) == 0 && name.size() > 6)
            nodes.push_back(name);
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const std::string &a, const std::string &b) { return nodeNumber(a) < nodeNumber(b); });

    std::vector<HidDeviceRecord> records;
    for (const std::string &node : nodes) {
        const fs::path hidDevice = sysClassHidraw_ / node / "device";
        auto fields = readUevent(hidDevice / "uevent");
        if (!fields)
            continue; // no identity, nothing the caller could match
        if (fields->bus == BUS_USB)
            readUsbAncestry(hidDevice, fields->identity);
        HidDeviceRecord record;
        record.hardwareId = formatHardwareId(fields->identity);
        record.devicePath = (devRoot_ / node).string() + formatPathTokens(fields->identity);
        record.name = fields->name.empty() ? "HID device" : fields->name;
        records.push_back(std::move(record));
    }
    return records;
}

std::shared_ptr<IHidDevice> LinuxHidBackend::open(const std::string &devicePath)
{
    const auto parsed = parseDevicePath(devicePath);
    if (!parsed)
        return nullptr;
    const int fd = ::open(parsed->node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;

    // Only a hidraw node, and only the one the path names: node numbers are
    // reused when devices come and go.
    struct stat st {};
    hidraw_devinfo info {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && ::ioctl(fd, HIDIOCGRAWINFO, &info) == 0;
    if (ok && parsed->identity)
        ok = std::uint16_t(info.vendor) == parsed->identity->vendorId
            && std::uint16_t(info.product) == parsed->identity->productId;
    if (!ok) {
        ::close(fd);
        return nullptr;
    }

    const int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    const int cancelFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0 || cancelFd < 0) {
        ::close(fd);
        if (wakeFd >= 0)
            ::close(wakeFd);
        if (cancelFd >= 0)
            ::close(cancelFd);
        return nullptr;
    }
    try {
        return std::make_shared<LinuxHidDevice>(fd, wakeFd, cancelFd);
    } catch (...) {
        ::close(fd);
        ::close(wakeFd);
        ::close(cancelFd);
        return nullptr;
    }
}

} // namespace libtavrel
