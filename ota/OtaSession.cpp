// Finding, opening and reading the receiver.
#include "ota/OtaSession.h"

#include "ota/AsciiText.h"
#include "ota/HidEnumeration.h"

#include <algorithm>
#include <optional>

namespace OtaModule {

namespace {

std::string normalisedPath(const std::string &path)
{
    std::string normal = path;
    std::replace(normal.begin(), normal.end(), '\\', '/');
    return lowerAscii(normal);
}

} // namespace

OtaSession::OtaSession(const OtaSessionRunnerConfig &config)
    : settings_(static_cast<const OtaDeviceMatchSettings &>(config))
    , policy_(config.timings)
    , recovery_{&executor_, &activePath_, &lastOnlinePath_, &pathMutex_}
    , firmwareDirectory_(config.firmwareDirectory)
{
}

OtaSession::~OtaSession() = default;

OtaDeviceMatchSettings OtaSession::settings() const
{
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

std::pair<int, int> OtaSession::refreshDeviceSnapshot()
{
    const std::vector<UsbDeviceInfo> all = enumerateHidDevices();
    std::vector<UsbDeviceInfo> matched = filterDevicesByPath(all, settings().devicePathFilter);
    const int matchedCount = int(matched.size());
    std::lock_guard lock(snapshotMutex_);
    snapshot_ = std::move(matched);
    return {int(all.size()), matchedCount};
}

std::vector<UsbDeviceInfo> OtaSession::deviceSnapshot() const
{
    std::lock_guard lock(snapshotMutex_);
    return snapshot_;
}

std::vector<ClientInfo> OtaSession::onlineClients() const
{
    std::lock_guard lock(snapshotMutex_);
    return onlineClients_;
}

std::vector<std::uint32_t> OtaSession::onlineClientOrder() const
{
    std::lock_guard lock(snapshotMutex_);
    return clientOrder_;
}

std::string OtaSession::snapshotPath(int index) const
{
    std::lock_guard lock(snapshotMutex_);
    if (index < 0 || std::size_t(index) >= snapshot_.size())
        return {};
    return snapshot_[std::size_t(index)].path;
}

void OtaSession::setOnlineClients(std::vector<ClientInfo> clients)
{
    std::vector<std::uint32_t> order;
    for (std::uint32_t i = 0; i < clients.size(); ++i)
        if (clients[i].channel != kReceiverChannel)
            order.push_back(i);
    for (std::uint32_t i = 0; i < clients.size(); ++i)
        if (clients[i].channel == kReceiverChannel)
            order.push_back(i);
    std::lock_guard lock(snapshotMutex_);
    onlineClients_ = std::move(clients);
    clientOrder_ = std::move(order);
}

std::string OtaSession::activePath() const
{
    std::lock_guard lock(pathMutex_);
    return activePath_;
}

std::string OtaSession::lastOnlinePath() const
{
    std::lock_guard lock(pathMutex_);
    return lastOnlinePath_;
}

void OtaSession::setActivePath(const std::string &path)
{
    std::lock_guard lock(pathMutex_);
    activePath_ = path;
}

int OtaSession::matchDevicePath(const std::vector<UsbDeviceInfo> &devices, const std::string &hint)
{
    if (hint.empty())
        return -1;
    static constexpr std::string_view kInterface = "&mi_";
    const std::string wanted = normalisedPath(hint);
    const std::size_t tokenAt = wanted.find(kInterface);
    const std::string token = tokenAt == std::string::npos ? std::string() : wanted.substr(tokenAt, 6);
    // The hinted device itself beats another one that only shares its interface number.
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (normalisedPath(devices[i].path) == wanted)
            return int(i);
    if (token.empty())
        return -1;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const std::string path = normalisedPath(devices[i].path);
        if (containsText(path, kInterface) && containsText(path, token))
            return int(i);
    }
    return -1;
}

int OtaSession::findIndexByPath(const std::string &path, const std::vector<UsbDeviceInfo> &devices)
{
    if (path.empty())
        return -1;
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].path == path)
            return int(i);
    return -1;
}

int OtaSession::chooseDevice(const std::string &hint, const OtaLogFunction &log)
{
    refreshDeviceSnapshot();
    const int index = matchDevicePath(deviceSnapshot(), hint);
    if (index < 0) {
        if (!hint.empty())
            logSafely(log, "No dongle path match for hint=" + hint + ", fallback auto-open");
        return -1;
    }
    logSafely(log, "Prefer dongle openIndex=" + std::to_string(index) + " hint=" + hint);
    return index;
}

bool OtaSession::openDevice(int index, const OtaLogFunction &log)
{
    const std::string path = snapshotPath(index);
    if (path.empty()) {
        logSafely(log, "Open failed: no device selected");
        return false;
    }
    if (!executor_.open(path)) {
        // The previous handle went with the attempt.
        setActivePath(std::string());
        logSafely(log, "Open failed: CreateExecutorHandle returned null");
        return false;
    }
    const std::string previous = activePath();
    if (!previous.empty() && previous != path)
        logSafely(log, "Switched active HID path to index " + std::to_string(index));
    setActivePath(path);
    logSafely(log, "Device opened (index " + std::to_string(index) + ")");
    return true;
}

bool OtaSession::readOnlineDevices(int index, const OtaLogFunction &log)
{
    const std::string path = snapshotPath(index);
    const bool reopen = !path.empty() && path != activePath();
    if ((!executor_.isOpen() || reopen) && !openDevice(index, log))
        return false;

    // The engine always hands over a list, an empty one too, once the
    // receiver answered: no list at all means the query failed.
    auto delivered = std::make_shared<std::optional<std::vector<ClientInfo>>>();
    SdkExecutor::ReadCallbackSet callbacks;
    callbacks.onDongleInfo = [log](std::uint32_t sdk, std::uint16_t vid, std::uint16_t pid, std::uint16_t pidv) {
        logSafely(log, "Dongle info sdk=0x" + OtaUpgradePolicy::hexPadded(sdk, 8) + " vid=0x"
                           + OtaUpgradePolicy::hexPadded(vid, 4) + " pid=0x" + OtaUpgradePolicy::hexPadded(pid, 4)
                           + " pidv=0x" + OtaUpgradePolicy::hexPadded(pidv, 4));
    };
    callbacks.onRefreshClientInfo = [delivered](const std::vector<ClientInfo> &clients) { *delivered = clients; };
    callbacks.onReadError = [log](int code, const std::string &message) {
        logSafely(log, "Read online devices failed(" + std::to_string(code) + "): " + message);
    };
    if (!executor_.startReadOnlineDevice(callbacks)) {
        logSafely(log, "Read online devices task failed");
        return false;
    }
    const SdkExecutor::TaskRunResult run = executor_.runAllTasks();
    if (!run.ok) {
        logSafely(log, run.message.empty() ? "Read online devices failed: sdk callback reported error"
                                           : "Read online devices failed: " + run.message);
        return false;
    }

    if (!delivered->has_value()) {
        logSafely(log, "Read online devices failed: no client list received");
        return false;
    }

    const bool anyOnline = !(*delivered)->empty();
    setOnlineClients(std::move(**delivered));
    if (anyOnline && !path.empty()) {
        std::lock_guard lock(pathMutex_);
        lastOnlinePath_ = path;
    }
    return true;
}

bool OtaSession::openWithPathTrials(const OtaLogFunction &log, int *openedIndex)
{
    const std::vector<UsbDeviceInfo> devices = deviceSnapshot();
    const std::string count = std::to_string(devices.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        logSafely(log, "Trying HID path " + std::to_string(i + 1) + " / " + count + " ...");
        if (openDevice(int(i), log) && readOnlineDevices(int(i), log) && !onlineClients().empty()) {
            if (openedIndex)
                *openedIndex = int(i);
            return true;
        }
    }
    return false;
}

int OtaSession::probePaths(const std::vector<UsbDeviceInfo> &devices, const OtaLogFunction &log)
{
    const std::string count = std::to_string(devices.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        logSafely(log, "Probe HID path " + std::to_string(i + 1) + " / " + count + " ...");
        const std::string &path = devices[i].path;
        const int listed = findIndexByPath(path, deviceSnapshot());
        bool read = false;
        if (listed < 0) {
            if (!executor_.open(path))
                continue;
            setActivePath(path);
            logSafely(log, "Opened probe path directly (not in latest manager snapshot)");
            read = readOnlineDevices(-1, log);
        } else {
            if (!openDevice(listed, log))
                continue;
            read = readOnlineDevices(listed, log);
        }
        if (read && !onlineClients().empty()) {
            std::lock_guard lock(pathMutex_);
            lastOnlinePath_ = path;
            return int(i);
        }
    }
    return -1;
}

void OtaSession::stopMonitor()
{
    monitorRunning_ = false;
}

bool OtaSession::monitorRunning() const
{
    return monitorRunning_;
}

} // namespace OtaModule
