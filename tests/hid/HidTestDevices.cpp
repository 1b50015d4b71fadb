#include "HidTestDevices.h"

#include <QPointer>

namespace HidTestDevices {

namespace {

QPointer<Platform::ManualDeviceChangeSource> lastSource;

Device make(const std::string &path, std::uint16_t vid, std::uint16_t pid, int iface, const wchar_t *name,
            const QString &id)
{
    Device d;
    d.hid.path = path;
    d.hid.vendorId = vid;
    d.hid.productId = pid;
    d.hid.interfaceNumber = iface;
    d.hid.productName = name;
    d.hid.serialNumber = L"SN-" + std::to_wstring(pid);
    d.id = id;
    return d;
}

} // namespace

Device headset()
{
    return make("/dev/hidraw1", 0x3654, 0x5055, 3, L"Headset", QStringLiteral("/dev/hidraw1#vid_3654&pid_5055&mi_03"));
}

Device receiver()
{
    return make("/dev/hidraw2", 0x3654, 0x6901, 3, L"Receiver", QStringLiteral("/dev/hidraw2#vid_3654&pid_6901&mi_03"));
}

Device qor()
{
    const std::string path = VirtualDevices::VirtualHidDevice::windowsPath(0x3302, 0xc20e, 0);
    return make(path, 0x3302, 0xc20e, 0, L"Qor", QString::fromStdString(path));
}

Device mouse()
{
    return make("/dev/hidraw4", 0x046d, 0xc52b, 0, L"Mouse", QStringLiteral("/dev/hidraw4#vid_046d&pid_c52b&mi_00"));
}

HIDTypes::TargetDeviceFilter filter(int vendorId, int productId, int interfaceNumber)
{
    HIDTypes::TargetDeviceFilter f;
    f.hasVendorId = vendorId >= 0;
    f.vendorId = static_cast<quint16>(f.hasVendorId ? vendorId : 0);
    f.hasProductId = productId >= 0;
    f.productId = static_cast<quint16>(f.hasProductId ? productId : 0);
    f.hasInterfaceNumber = interfaceNumber >= 0;
    f.interfaceNumber = interfaceNumber;
    return f;
}

HIDTypes::HidManagerConfig fastConfig()
{
    HIDTypes::HidManagerConfig c;
    c.initRetryDelayMs = 1;
    c.scanThreadStopWaitMs = 2000;
    c.pollIntervalMs = 2;
    c.commThreadStopWaitMs = 2000;
    c.hotplugDebounceMs = 20;
    return c;
}

VirtualDevices::HidApiDouble &api()
{
    return VirtualDevices::HidApiDouble::instance();
}

void resetDouble()
{
    api().reset();
    Platform::DeviceChangeSource::setFactory([](QObject *parent) {
        auto *source = new Platform::ManualDeviceChangeSource(parent);
        lastSource = source;
        return source;
    });
}

Platform::ManualDeviceChangeSource *lastHotplugSource()
{
    return lastSource.data();
}

} // namespace HidTestDevices
