// The C exports. No exception leaves them: tasks catch their own, and every
// export that could meet one (allocation, a caller's callback) catches it here.
#include "libtavrel/tavrel.h"

#include "libtavrel/ClientOtaTask.h"
#include "libtavrel/DongleOtaTask.h"
#include "libtavrel/Executor.h"
#include "libtavrel/HidBackendProvider.h"
#include "libtavrel/ReceiverCommands.h"
#include "libtavrel/Utf16.h"

#include <cstdlib>
#include <cstring>
#include <span>

using namespace libtavrel;

namespace {

// What the last counting call of iterAllHidDevice returned to this thread:
// the caller sized its array by it, so a fill never writes past it.
thread_local int g_lastReportedCount = 0;

char *copyString(const std::string &text)
{
    auto *copy = static_cast<char *>(std::malloc(text.size() + 1));
    if (copy)
        std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

std::span<const std::uint8_t> imageSpan(const std::uint8_t *image, int size)
{
    // A missing image reads as an empty one: every block request then fails.
    if (!image || size <= 0)
        return {};
    return {image, std::size_t(size)};
}

// Runs an update task and turns an exception that ends it into its one error.
// An exception in one of its steps has already read as that step's failure.
Task reportExceptions(Executor &executor, Task body, std::shared_ptr<OtaReporter> reporter)
{
    try {
        co_return co_await executor.childOrThrow(std::move(body));
    } catch (...) {
    }
    try {
        reporter->error(3, "internal error");
    } catch (...) {
    }
    co_return false;
}

Task reportReadExceptions(Executor &executor, Task body, OnlineDeviceCallbacks callbacks)
{
    try {
        co_return co_await executor.childOrThrow(std::move(body));
    } catch (...) {
    }
    try {
        if (callbacks.onError)
            callbacks.onError(callbacks.context, 3, "internal error");
    } catch (...) {
    }
    co_return false;
}

Executor *executorOf(void *handle)
{
    return static_cast<Executor *>(handle);
}

// Queues the update task that makeTask builds, with its reporter.
template<typename MakeTask>
void *queueUpdate(void *handle, const OtaCallbacks *callbacks, MakeTask makeTask)
{
    if (!handle)
        return nullptr;
    try {
        Executor &executor = *executorOf(handle);
        auto reporter = std::make_shared<OtaReporter>(callbacks);
        return executor.addTask(reportExceptions(executor, makeTask(executor, reporter), reporter));
    } catch (...) {
        return nullptr;
    }
}

} // namespace

extern "C" {

TAVREL_API void *CreateExecutorHandle(const char *devicePath)
{
    if (!devicePath)
        return nullptr;
    try {
        auto device = hidBackend().open(devicePath);
        if (!device)
            return nullptr;
        const auto timeouts = ExecutorTimeouts{}.scaled(device->waitScales());
        return new Executor(std::move(device), timeouts);
    } catch (...) {
        return nullptr;
    }
}

TAVREL_API void DestroyExecutorHandle(void *handle)
{
    delete executorOf(handle);
}

TAVREL_API void runAllTask(void *handle)
{
    if (!handle)
        return;
    try {
        executorOf(handle)->runAll();
    } catch (...) {
    }
}

TAVREL_API int iterAllHidDevice(HidDeviceEntry *out)
{
    try {
        const auto records = hidBackend().enumerate();
        const int count = int(records.size());
        if (!out) {
            g_lastReportedCount = count;
            return count;
        }
        const int capacity = g_lastReportedCount;
        for (int i = 0; i < capacity; ++i) {
            if (i < count) {
                out[i].hardwareId = copyString(records[std::size_t(i)].hardwareId);
                out[i].devicePath = copyString(records[std::size_t(i)].devicePath);
                out[i].name = copyString(records[std::size_t(i)].name);
            } else {
                out[i] = HidDeviceEntry{nullptr, nullptr, nullptr};
            }
        }
        return count;
    } catch (...) {
        return 0;
    }
}

TAVREL_API void DestroyDeviceInfo(HidDeviceEntry *entries, int count)
{
    if (!entries)
        return;
    for (int i = 0; i < count; ++i) {
        std::free(entries[i].hardwareId);
        std::free(entries[i].devicePath);
        std::free(entries[i].name);
        entries[i] = HidDeviceEntry{nullptr, nullptr, nullptr};
    }
}

TAVREL_API void *read_online_device(void *handle, const OnlineDeviceCallbacks *callbacks)
{
    if (!handle)
        return nullptr;
    try {
        Executor &executor = *executorOf(handle);
        const OnlineDeviceCallbacks copy = callbacks ? *callbacks : OnlineDeviceCallbacks{};
        return executor.addTask(reportReadExceptions(executor, readOnlineDeviceTask(executor, copy), copy));
    } catch (...) {
        return nullptr;
    }
}

TAVREL_API void *ota_update_client(void *handle, int channel, const uint8_t *image, int size, bool authenticateFirst,
                                   bool authenticateAfterReconnect, const OtaCallbacks *callbacks)
{
    return queueUpdate(handle, callbacks, [&](Executor &executor, std::shared_ptr<OtaReporter> reporter) {
        return clientOtaTask(executor, channel, imageSpan(image, size), authenticateFirst, authenticateAfterReconnect,
                             std::move(reporter));
    });
}

TAVREL_API void *ota_update_dongle(void *handle, int channel, const uint8_t *image, int size, bool authenticateFirst,
                                   bool authenticateAfterReconnect, const OtaCallbacks *callbacks,
                                   bool *switchedToPostMode)
{
    return queueUpdate(handle, callbacks, [&](Executor &executor, std::shared_ptr<OtaReporter> reporter) {
        return dongleOtaTask(executor, channel, imageSpan(image, size), authenticateFirst, authenticateAfterReconnect,
                             std::move(reporter), switchedToPostMode);
    });
}

TAVREL_API void *ota_update_dongle_single_post(void *handle, int channel, const uint8_t *image, int size,
                                               bool authenticateFirst, const OtaCallbacks *callbacks)
{
    queueUpdate(handle, callbacks, [&](Executor &executor, std::shared_ptr<OtaReporter> reporter) {
        return singlePostUpdateTask(executor, channel, imageSpan(image, size), authenticateFirst, std::move(reporter));
    });
    return nullptr;
}

TAVREL_API TavrelChar16 *getUtf16(const char *utf8)
{
    if (!utf8)
        return nullptr;
    try {
        const std::u16string text = utf8ToUtf16(utf8);
        auto *copy = static_cast<TavrelChar16 *>(std::malloc((text.size() + 1) * sizeof(TavrelChar16)));
        if (copy) {
            std::memcpy(copy, text.data(), text.size() * sizeof(TavrelChar16));
            copy[text.size()] = 0;
        }
        return copy;
    } catch (...) {
        return nullptr;
    }
}

TAVREL_API void FreeString(void *p)
{
    std::free(p);
}

} // extern "C"
