/* Plain C against the real libtavrel.so: the header is valid C and the
 * exports behave on a machine without the receiver. */
#include "libtavrel/tavrel.h"

#include <stdio.h>
#include <stdlib.h>

#define CHECK(condition)                                              \
    do {                                                              \
        if (!(condition)) {                                           \
            fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition); \
            return 1;                                                 \
        }                                                             \
    } while (0)

int main(void)
{
    const int count = iterAllHidDevice(NULL);
    CHECK(count >= 0);
    HidDeviceEntry *entries = calloc((size_t)count + 1, sizeof *entries);
    CHECK(entries != NULL);
    CHECK(iterAllHidDevice(entries) >= 0);
    DestroyDeviceInfo(entries, count);
    DestroyDeviceInfo(entries, 0);
    free(entries);

    CHECK(CreateExecutorHandle("/dev/hidraw-none#vid_3654&pid_6901&mi_03") == NULL);
    CHECK(CreateExecutorHandle(NULL) == NULL);
    DestroyExecutorHandle(NULL);
    runAllTask(NULL);
    CHECK(read_online_device(NULL, NULL) == NULL);
    CHECK(ota_update_client(NULL, 3, NULL, 0, false, false, NULL) == NULL);
    CHECK(ota_update_dongle(NULL, 2, NULL, 0, false, false, NULL, NULL) == NULL);
    CHECK(ota_update_dongle_single_post(NULL, 2, NULL, 0, false, NULL) == NULL);

    TavrelChar16 *text = getUtf16("\xE4\xB8\xAD");
    CHECK(text != NULL && text[0] == 0x4E2D && text[1] == 0);
    FreeString(text);
    printf("libtavrel smoke: %d HID interfaces\n", count);
    return 0;
}
