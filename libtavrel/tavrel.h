/* The OTA engine's C interface: lists HID interfaces, opens the receiver of a
 * headset and runs firmware-update and query tasks against it and the
 * headsets connected to it. Strings are UTF-8. The work functions only queue
 * a task; runAllTask runs the queued tasks on the calling thread and calls the
 * callbacks from inside that call. */
#ifndef TAVREL_H
#define TAVREL_H

#include <stdbool.h>
#include <stdint.h>

#if defined(_WIN32)
#define TAVREL_API __declspec(dllexport)
#else
#define TAVREL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
typedef char16_t TavrelChar16;
#elif defined(_WIN32)
#include <wchar.h>
typedef wchar_t TavrelChar16;
#else
#include <uchar.h>
typedef char16_t TavrelChar16;
#endif

/* One HID interface. The strings belong to the library; DestroyDeviceInfo frees them. */
typedef struct HidDeviceEntry
{
    char *hardwareId; /* e.g. "HID\VID_3654&PID_6901&REV_0100&MI_03" */
    char *devicePath; /* the argument of CreateExecutorHandle */
    char *name;
} HidDeviceEntry;

/* A headset the receiver reports online; 256 bytes. */
typedef struct OnlineClientRecord
{
    uint8_t channel;      /* the channel argument of ota_update_client */
    uint8_t reserved;     /* always 0 */
    uint8_t linkInfo[4];  /* carried unchanged from the receiver */
    uint8_t linkExtra[2]; /* carried unchanged from the receiver */
    char name[248];       /* NUL padded; a 248-byte name has no NUL */
} OnlineClientRecord;

/* Copied when the task is queued; the caller's block may go at once. */
typedef struct OnlineDeviceCallbacks
{
    void *context;
    void (*onDongleInfo)(void *context, uint32_t sdk, uint16_t vid, uint16_t pid, uint16_t pidVersion);
    /* Once, with the records valid only during the call; count 0 comes with a null pointer. */
    void (*onRefreshClientInfo)(void *context, uint32_t count, const OnlineClientRecord *records);
    void (*onError)(void *context, int code, const char *message);
} OnlineDeviceCallbacks;

/* Copied when the task is queued. A null slot is skipped. */
typedef struct OtaCallbacks
{
    void *context;
    void (*onStart)(void *context);
    void (*onFinish)(void *context);
    void (*onNeedReconnect)(void *context);
    void (*onProgress)(void *context, int done, int total); /* total is 100 */
    void (*onStop)(void *context);
    void (*onCancel)(void *context);
    /* At most once per task; the message is ASCII and valid only during the call. */
    void (*onError)(void *context, int code, const char *message);
} OtaCallbacks;

/* Opens the interface; null when it can't be opened. */
TAVREL_API void *CreateExecutorHandle(const char *devicePath);
/* Stops the I/O thread, drops queued tasks without callbacks, closes the device. Null is ignored. */
TAVREL_API void DestroyExecutorHandle(void *handle);
/* Runs every queued task to its end; all callbacks run inside this call. */
TAVREL_API void runAllTask(void *handle);

/* With null: returns the number of interfaces present. With an array: fills at
 * most as many entries as the last counting call on this thread returned (the
 * rest of those entries zeroed) and returns the number present now. */
TAVREL_API int iterAllHidDevice(HidDeviceEntry *out);
/* Frees the strings of the first count entries; the array stays the caller's. */
TAVREL_API void DestroyDeviceInfo(HidDeviceEntry *entries, int count);

/* Queue a task; the result names the task until it ends and is not to be used. */
TAVREL_API void *read_online_device(void *handle, const OnlineDeviceCallbacks *callbacks);
/* The image is read in place: keep it alive and unchanged until runAllTask returns. */
TAVREL_API void *ota_update_client(void *handle, int channel, const uint8_t *image, int size, bool authenticateFirst,
                                   bool authenticateAfterReconnect, const OtaCallbacks *callbacks);
/* *switchedToPostMode becomes true when the receiver was switched into its update
 * mode: reopen it and queue ota_update_dongle_single_post. Keep it alive until
 * runAllTask returns. */
TAVREL_API void *ota_update_dongle(void *handle, int channel, const uint8_t *image, int size, bool authenticateFirst,
                                   bool authenticateAfterReconnect, const OtaCallbacks *callbacks,
                                   bool *switchedToPostMode);
/* Always returns null. */
TAVREL_API void *ota_update_dongle_single_post(void *handle, int channel, const uint8_t *image, int size,
                                               bool authenticateFirst, const OtaCallbacks *callbacks);

/* A NUL-terminated UTF-16 copy (16-bit units); free it with FreeString. */
TAVREL_API TavrelChar16 *getUtf16(const char *utf8);
TAVREL_API void FreeString(void *p);

#ifdef __cplusplus
}
#endif

#endif
