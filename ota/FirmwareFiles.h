#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace OtaModule {

// A firmware image read from disk.
struct FirmwareImage
{
    std::string path; // full path, UTF-8
    std::vector<std::uint8_t> bytes;
};

// Finds the newest readable, non-empty ".ufw" file of the wanted kind in
// `directory` (no recursion; links are not followed) and reads it whole. A
// name holding "dongle" in any case is a receiver image, any other a headset
// image. False, with `outPath` cleared, when nothing usable is there; an
// error while listing the directory raises std::filesystem::filesystem_error.
bool findFirmwareFile(const std::filesystem::path &directory, bool wantReceiverImage, FirmwareImage *out,
                      std::string *outPath);
bool findReceiverFirmwareFile(const std::filesystem::path &directory, FirmwareImage *out, std::string *outPath);
bool findHeadsetFirmwareFile(const std::filesystem::path &directory, FirmwareImage *out, std::string *outPath);

// The extension is ".ufw" in any case.
bool isFirmwareFile(const std::filesystem::path &path);

// The whole file; empty when it can't be opened or read or holds nothing.
std::vector<std::uint8_t> readWholeFile(const std::filesystem::path &path);

} // namespace OtaModule
