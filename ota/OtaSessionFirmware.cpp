// The session's firmware images: handed over in memory or found on disk.
#include "ota/OtaSession.h"

#include "ota/FirmwareFiles.h"

namespace OtaModule {

namespace {

std::string fileNameOf(const std::string &path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace

void OtaSession::clearPreparedFirmware()
{
    remoteImageName_.clear();
    remoteImage_.clear();
    dongleImageName_.clear();
    dongleImage_.clear();
    remotePreparedInMemory_ = false;
    donglePreparedInMemory_ = false;
}

void OtaSession::setPreparedRemoteImage(const std::vector<std::uint8_t> &bytes)
{
    remoteImage_ = bytes;
    remoteImageName_ = kPreparedRemoteName;
    remotePreparedInMemory_ = !remoteImage_.empty();
}

void OtaSession::setPreparedDongleImage(const std::vector<std::uint8_t> &bytes)
{
    dongleImage_ = bytes;
    dongleImageName_ = kPreparedDongleName;
    donglePreparedInMemory_ = !dongleImage_.empty();
}

bool OtaSession::loadFirmware(bool receiver, const OtaLogFunction &log)
{
    const char *kind = receiver ? "Dongle" : "Remote";
    std::vector<std::uint8_t> &image = receiver ? dongleImage_ : remoteImage_;
    std::string &name = receiver ? dongleImageName_ : remoteImageName_;
    if (receiver ? donglePreparedInMemory_ : remotePreparedInMemory_) {
        if (!image.empty()) {
            logSafely(log, std::string("Using prepared ") + (receiver ? "dongle" : "remote")
                               + " firmware: " + std::to_string(image.size()) + " bytes");
            return true;
        }
    }

    FirmwareImage found;
    std::string path;
    try {
        if (!findFirmwareFile(firmwareDirectory_, receiver, &found, &path))
            return false;
    } catch (const std::exception &e) {
        logSafely(log, std::string(kind) + " firmware search failed: " + e.what());
        return false;
    }
    name = found.path;
    image = std::move(found.bytes);
    logSafely(log, std::string(kind) + " firmware loaded: " + std::to_string(image.size()) + " bytes, "
                       + fileNameOf(name));
    return true;
}

bool OtaSession::loadRemoteFirmware(const OtaLogFunction &log)
{
    return loadFirmware(false, log);
}

bool OtaSession::loadDongleFirmware(const OtaLogFunction &log)
{
    return loadFirmware(true, log);
}

bool OtaSession::prepareFirmware(const OtaLogFunction &log)
{
    const auto describe = [&log](const char *kind, const std::string &name, const char *memoryName,
                                 std::size_t size) {
        if (name == memoryName)
            logSafely(log, std::string(kind) + " firmware prepared in memory: " + std::to_string(size) + " bytes");
        else
            logSafely(log, std::string(kind) + " firmware loaded: " + std::to_string(size) + " bytes, "
                               + fileNameOf(name));
    };
    const bool remote = loadRemoteFirmware(log);
    const bool dongle = loadDongleFirmware(log);
    if (remote)
        describe("Remote", remoteImageName_, kPreparedRemoteName, remoteImage_.size());
    if (dongle)
        describe("Dongle", dongleImageName_, kPreparedDongleName, dongleImage_.size());
    return remote || dongle;
}

} // namespace OtaModule
