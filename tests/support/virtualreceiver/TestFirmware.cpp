#include "tests/support/virtualreceiver/TestFirmware.h"

#include <random>

namespace VirtualDevices {

std::vector<std::uint8_t> makeTestImage(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> image(size);
    for (auto &b : image)
        b = std::uint8_t(random());
    return image;
}

FirmwareBehaviour testFirmware(const std::vector<std::uint8_t> &image, bool loader)
{
    FirmwareBehaviour b;
    b.expectedImage = image;
    b.needsLoader = loader;
    b.loaderLength = 2048;
    b.blockSize = 512;
    return b;
}

} // namespace VirtualDevices
