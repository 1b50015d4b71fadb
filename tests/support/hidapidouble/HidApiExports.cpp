// The hidapi C functions, served by the double. All of them live in this one
// object file so that a static link pulls in the whole set at once.
#include "HidApiDouble.h"

using VirtualDevices::HidApiDouble;

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    return HidApiDouble::instance().hidInit();
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    return HidApiDouble::instance().hidExit();
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    return HidApiDouble::instance().hidEnumerate(vendor_id, product_id);
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    HidApiDouble::instance().hidFreeEnumeration(devs);
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    return HidApiDouble::instance().hidOpenPath(path);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device *dev, int nonblock)
{
    return HidApiDouble::instance().hidSetNonblocking(dev, nonblock);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data, size_t length, int milliseconds)
{
    return HidApiDouble::instance().hidRead(dev, data, length, milliseconds);
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    return HidApiDouble::instance().hidReadDefault(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    return HidApiDouble::instance().hidWrite(dev, data, length);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    return HidApiDouble::instance().hidError(dev);
}

// Newer hidapi keeps read errors apart; the double serves both names.
HID_API_EXPORT const wchar_t *HID_API_CALL hid_read_error(hid_device *dev)
{
    return HidApiDouble::instance().hidError(dev);
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    HidApiDouble::instance().hidClose(dev);
}

} // extern "C"
