// Finding firmware images in a folder.
#include "ota/FirmwareFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace OtaModule;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

class FirmwareFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device random;
        dir = fs::temp_directory_path() / ("velkora-ota-fw-" + std::to_string(random()));
        fs::create_directories(dir);
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // Writes `name` with `content`, last written `age` ago.
    fs::path write(const std::string &name, const std::string &content, std::chrono::seconds age)
    {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << content;
        fs::last_write_time(path, fs::file_time_type::clock::now() - age);
        return path;
    }

    static std::string text(const FirmwareImage &image) { return std::string(image.bytes.begin(), image.bytes.end()); }

    fs::path dir;
    FirmwareImage image;
    std::string path = "stale";
};

TEST_F(FirmwareFilesTest, NewestReadableImageOfTheKindWins)
{
    write("a.ufw", "older headset", 60s);
    write("b.ufw", "newer headset", 30s);
    write("c.ufw", "", 1s); // newest, but empty
    write("Receiver_DONGLE_v2.UFW", "receiver", 90s);

    ASSERT_TRUE(findHeadsetFirmwareFile(dir, &image, &path));
    EXPECT_EQ(text(image), "newer headset");
    EXPECT_EQ(path, (dir / "b.ufw").string());
    EXPECT_EQ(image.path, path);

    ASSERT_TRUE(findReceiverFirmwareFile(dir, &image, &path));
    EXPECT_EQ(text(image), "receiver");
    EXPECT_EQ(path, (dir / "Receiver_DONGLE_v2.UFW").string());
}

TEST_F(FirmwareFilesTest, OnlyRegularUfwFilesCount)
{
    write("dongle.bin", "wrong extension", 1s);
    fs::create_directory(dir / "x.ufw");
    fs::create_directory(dir / "nested");
    write("nested/deep.ufw", "not searched", 1s);
    const fs::path target = write("real-dongle.ufw.bak", "not an image", 10s);
    fs::create_symlink(target, dir / "linked_dongle.ufw");
    fs::create_symlink(dir / "nowhere", dir / "broken.ufw");

    EXPECT_FALSE(findReceiverFirmwareFile(dir, &image, &path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(findHeadsetFirmwareFile(dir, &image, &path));

    write("dongle.ufw", "receiver", 5s);
    ASSERT_TRUE(findReceiverFirmwareFile(dir, &image, &path));
    EXPECT_EQ(text(image), "receiver");
    EXPECT_FALSE(findHeadsetFirmwareFile(dir, &image, &path)); // "dongle.ufw" is no headset image
}

TEST_F(FirmwareFilesTest, UnreadableNewestFileIsPassedOver)
{
    write("old.ufw", "old", 20s);
    const fs::path locked = write("new.ufw", "new", 1s);
    fs::permissions(locked, fs::perms::none);
    if (std::ifstream(locked).good())
        GTEST_SKIP() << "running with rights that read any file";
    ASSERT_TRUE(findHeadsetFirmwareFile(dir, &image, &path));
    EXPECT_EQ(text(image), "old");
}

TEST_F(FirmwareFilesTest, MissingFolderOrOutputsFindNothing)
{
    EXPECT_FALSE(findHeadsetFirmwareFile(dir / "missing", &image, &path));
    EXPECT_FALSE(findHeadsetFirmwareFile(write("plain.ufw", "x", 1s), &image, &path)); // a file, no folder
    EXPECT_FALSE(findFirmwareFile(dir, false, nullptr, &path));
    EXPECT_FALSE(findFirmwareFile(dir, false, &image, nullptr));
    EXPECT_EQ(path, "stale"); // only a search that ran clears it
}

TEST(FirmwareFileNameTest, ExtensionInAnyCase)
{
    EXPECT_TRUE(isFirmwareFile("headset.ufw"));
    EXPECT_TRUE(isFirmwareFile("/a/b/HEADSET.UFW"));
    EXPECT_TRUE(isFirmwareFile("x.UfW"));
    EXPECT_FALSE(isFirmwareFile("headset.ufw.bak"));
    EXPECT_FALSE(isFirmwareFile("ufw"));
    EXPECT_FALSE(isFirmwareFile(".ufwx"));
}

TEST_F(FirmwareFilesTest, ReadsWholeFilesOnly)
{
    EXPECT_TRUE(readWholeFile(dir / "missing.ufw").empty());
    EXPECT_TRUE(readWholeFile(write("empty.ufw", "", 1s)).empty());
    const std::string binary("\0\x01\xff\0tail", 8);
    const auto bytes = readWholeFile(write("bin.ufw", binary, 1s));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), binary);
}
