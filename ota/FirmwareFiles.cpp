#include "ota/FirmwareFiles.h"

#include "ota/AsciiText.h"

#include <algorithm>
#include <fstream>

namespace OtaModule {

namespace fs = std::filesystem;

namespace {

struct Candidate
{
    fs::path path;
    fs::file_time_type written;
};

std::string utf8Path(const fs::path &path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool isReceiverImageName(const fs::path &path)
{
    const std::string name = lowerAscii(path.filename().string());
    return name.size() >= 6 && containsText(name, "dongle");
}

std::vector<Candidate> firmwareFilesNewestFirst(const fs::path &directory)
{
    std::vector<Candidate> candidates;
    std::error_code error;
    fs::directory_iterator it(directory, error);
    if (error)
        return candidates;
    // Stepping on throws: a directory that breaks while it is read ends the search.
    for (; it != fs::directory_iterator(); ++it) {
        const fs::directory_entry &entry = *it;
        std::error_code entryError;
        if (entry.is_symlink(entryError) || !entry.is_regular_file(entryError) || !isFirmwareFile(entry.path()))
            continue;
        auto written = entry.last_write_time(entryError);
        if (entryError)
            written = fs::file_time_type::min();
        candidates.push_back({entry.path(), written});
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate &a, const Candidate &b) { return a.written > b.written; });
    return candidates;
}

} // namespace

bool isFirmwareFile(const fs::path &path)
{
    return lowerAscii(path.extension().string()) == ".ufw";
}

std::vector<std::uint8_t> readWholeFile(const fs::path &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size <= 0)
        return {};
    file.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!file.read(reinterpret_cast<char *>(bytes.data()), size))
        return {};
    return bytes;
}

bool findFirmwareFile(const fs::path &directory, bool wantReceiverImage, FirmwareImage *out, std::string *outPath)
{
    if (!out || !outPath)
        return false;
    std::error_code error;
    if (!fs::is_directory(directory, error) || error)
        return false;

    for (const Candidate &candidate : firmwareFilesNewestFirst(directory)) {
        if (isReceiverImageName(candidate.path) != wantReceiverImage)
            continue;
        std::vector<std::uint8_t> bytes = readWholeFile(candidate.path);
        if (bytes.empty())
            continue;
        out->path = utf8Path(candidate.path);
        out->bytes = std::move(bytes);
        *outPath = out->path;
        return true;
    }
    outPath->clear();
    return false;
}

bool findReceiverFirmwareFile(const fs::path &directory, FirmwareImage *out, std::string *outPath)
{
    return findFirmwareFile(directory, true, out, outPath);
}

bool findHeadsetFirmwareFile(const fs::path &directory, FirmwareImage *out, std::string *outPath)
{
    return findFirmwareFile(directory, false, out, outPath);
}

} // namespace OtaModule
