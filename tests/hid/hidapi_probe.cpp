// A plain hidapi program linked against the real hidapi. The preload test runs
// it with the double in LD_PRELOAD: what it sees proves the double stands in
// front of the real library in an unmodified program.
#include <hidapi/hidapi.h>

#include <cstdio>
#include <cstring>

int main()
{
    if (hid_init() != 0)
        return 1;
    hid_device_info *devices = hid_enumerate(0, 0);
    const char *firstPath = nullptr;
    for (hid_device_info *d = devices; d; d = d->next) {
        std::printf("device %s %04x:%04x mi=%d\n", d->path, d->vendor_id, d->product_id, d->interface_number);
        if (!firstPath)
            firstPath = d->path;
    }
    int status = 2;
    if (firstPath) {
        hid_device *h = hid_open_path(firstPath);
        unsigned char report[65] = {0x00, 0x42, 0x43};
        unsigned char reply[65] = {};
        if (h && hid_write(h, report, sizeof report) == 65 && hid_read_timeout(h, reply, sizeof reply, 2000) == 65
            && std::memcmp(report, reply, sizeof report) == 0) {
            std::printf("echo ok\n");
            status = 0;
        }
        if (h)
            hid_close(h);
    }
    hid_free_enumeration(devices);
    hid_exit();
    return status;
}
