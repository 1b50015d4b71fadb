#include "platform/tavrelhid/HidPathTokens.h"
#include "platform/tavrelhid/LinuxHidBackend.h"
#include "platform/tavrelhid/LinuxHidDevice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace libtavrel;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace fs = std::filesystem;

namespace {

// Calls that a test expects to succeed or be interrupted: long enough that a
// loaded machine cannot end them first.
constexpr auto kAnswered = 30s;
// Far above any scheduling delay, far below kAnswered.
constexpr auto kNoHang = 5s;

} // namespace

TEST(HidPathTokensTest, FormatsLikeTheOtherPlatform)
{
    const HidIdentity receiver{0x3654, 0x6901, 0x0100, 3};
    EXPECT_EQ(formatPathTokens(receiver), "#vid_3654&pid_6901&mi_03");
    EXPECT_EQ(formatHardwareId(receiver), "HID\\VID_3654&PID_6901&REV_0100&MI_03");
    const HidIdentity qor{0x3302, 0xC20E, std::nullopt, std::nullopt};
    EXPECT_EQ(formatPathTokens(qor), "#vid_3302&pid_c20e");
    EXPECT_EQ(formatHardwareId(qor), "HID\\VID_3302&PID_C20E");
}

TEST(HidPathTokensTest, ParsesWhatItFormats)
{
    const auto parsed = parseDevicePath("/dev/hidraw3#vid_3654&pid_6901&mi_03");
    ASSERT_TRUE(parsed && parsed->identity);
    EXPECT_EQ(parsed->node, "/dev/hidraw3");
    EXPECT_EQ(parsed->identity->vendorId, 0x3654);
    EXPECT_EQ(parsed->identity->productId, 0x6901);
    EXPECT_EQ(parsed->identity->interfaceNumber, 3);

    const auto bare = parseDevicePath("/dev/hidraw0");
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->identity);
}

class MalformedPathTest : public ::testing::TestWithParam<const char *>
{};

TEST_P(MalformedPathTest, Rejected)
{
    EXPECT_FALSE(parseDevicePath(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Paths, MalformedPathTest,
                         ::testing::Values("", "#vid_3654&pid_6901", "/dev/hidraw3#vid_3654", "/dev/hidraw3#vid_365&pid_6901",
                                           "/dev/hidraw3#vid_3654&pid_69g1", "/dev/hidraw3#vid_3654&pid_6901&mi_3",
                                           "/dev/hidraw3#vid_3654&pid_6901&xx_01", "/dev/hidraw3#vid_3654&&pid_6901"));

// A sysfs tree shaped like the kernel's: class links into a USB device's interface.
class FakeSysfs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("tavrel-sysfs-" + std::to_string(::getpid()) + "-"
                                            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "class");
    }
    void TearDown() override { fs::remove_all(root); }

    static void write(const fs::path &file, const std::string &text)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }

    // Adds hidrawN under a USB device with the given interface, or a bus-5 device.
    void addNode(int n, const std::string &hidId, const std::string &name, int usbInterface = -1)
    {
        fs::path hidDevice;
        if (usbInterface >= 0) {
            const fs::path usb = root / "devices" / ("usb" + std::to_string(n));
            write(usb / "bcdDevice", "0100\n");
            const fs::path intf = usb / ("1-1:1." + std::to_string(usbInterface));
            write(intf / "bInterfaceNumber", "0" + std::to_string(usbInterface) + "\n");
            hidDevice = intf / ("0003:3654:6901.000" + std::to_string(n));
        } else {
            hidDevice = root / "devices" / ("bt" + std::to_string(n)) / "0005:046D:B33A.0001";
        }
        fs::create_directories(hidDevice);
        if (!hidId.empty())
            write(hidDevice / "uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=" + name + "\nHID_PHYS=x\n");
        const fs::path node = root / "class" / ("hidraw" + std::to_string(n));
        fs::create_directories(node);
        fs::create_directory_symlink(hidDevice, node / "device");
    }

    fs::path root;
};

TEST_F(FakeSysfs, ListsInterfacesWithWindowsStyleIds)
{
    addNode(10, "0003:00003654:00006901", "Velkora Receiver", 3);
    addNode(2, "0005:0000046D:0000B33A", "");
    addNode(1, "0003:00003654:00006901", "Velkora Receiver", 0);
    addNode(4, "", "no identity"); // no uevent: skipped
    LinuxHidBackend backend(root / "class", "/dev");
    const auto records = backend.enumerate();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].devicePath, "/dev/hidraw1#vid_3654&pid_6901&mi_00");
    EXPECT_EQ(records[0].hardwareId, "HID\\VID_3654&PID_6901&REV_0100&MI_00");
    EXPECT_EQ(records[0].name, "Velkora Receiver");
    EXPECT_EQ(records[1].devicePath, "/dev/hidraw2#vid_046d&pid_b33a");
    EXPECT_EQ(records[1].hardwareId, "HID\\VID_046D&PID_B33A");
    EXPECT_EQ(records[1].name, "HID device");
    EXPECT_EQ(records[2].devicePath, "/dev/hidraw10#vid_3654&pid_6901&mi_03");
}

TEST_F(FakeSysfs, MissingClassFolderListsNothing)
{
    LinuxHidBackend backend(root / "nowhere", "/dev");
    EXPECT_TRUE(backend.enumerate().empty());
}

TEST(LinuxHidBackendTest, OpensOnlyHidrawNodes)
{
    LinuxHidBackend backend;
    EXPECT_EQ(backend.open("/dev/hidraw-does-not-exist#vid_3654&pid_6901"), nullptr);
    EXPECT_EQ(backend.open("/dev/null"), nullptr); // a character device, but no hidraw node
    EXPECT_EQ(backend.open("/etc/hostname"), nullptr);
    EXPECT_EQ(backend.open("/dev/null#vid_zzzz"), nullptr);
}

// A SEQPACKET socket pair keeps report boundaries the way a hidraw node does.
class LinuxHidDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
        peer = fds[1];
        device = std::make_unique<LinuxHidDevice>(fds[0], ::eventfd(0, EFD_NONBLOCK), ::eventfd(0, EFD_NONBLOCK));
    }
    void TearDown() override
    {
        device.reset();
        if (peer >= 0)
            ::close(peer);
    }

    int peer = -1;
    std::unique_ptr<LinuxHidDevice> device;
};

TEST_F(LinuxHidDeviceTest, ReadPutsTheReportIdBack)
{
    std::uint8_t data[64];
    for (int i = 0; i < 64; ++i)
        data[i] = std::uint8_t(i + 1);
    ASSERT_EQ(::write(peer, data, sizeof data), 64);
    HidReport report{};
    std::size_t length = 0;
    ASSERT_EQ(device->readReport(report, length, kAnswered), HidIoResult::Ok);
    EXPECT_EQ(length, 65u);
    EXPECT_EQ(report[0], 0);
    EXPECT_EQ(report[1], 1);
    EXPECT_EQ(report[64], 64);
}

TEST_F(LinuxHidDeviceTest, WriteSendsTheWholeReport)
{
    HidReport report{};
    report[1] = 0x4A;
    ASSERT_EQ(device->writeReport(report, kAnswered), HidIoResult::Ok);
    std::uint8_t got[100];
    ASSERT_EQ(::read(peer, got, sizeof got), 65);
    EXPECT_EQ(got[0], 0);
    EXPECT_EQ(got[1], 0x4A);
}

TEST_F(LinuxHidDeviceTest, QuietDeviceTimesOut)
{
    HidReport report{};
    std::size_t length = 0;
    const auto start = Clock::now();
    EXPECT_EQ(device->readReport(report, length, 30ms), HidIoResult::Timeout);
    EXPECT_GE(Clock::now() - start, 30ms);
}

TEST_F(LinuxHidDeviceTest, InterruptEndsABlockedReadAndIsNotLost)
{
    HidReport report{};
    std::size_t length = 0;
    std::thread other([this] {
        std::this_thread::sleep_for(20ms); // lets the read block first
        device->interruptRead();
    });
    EXPECT_EQ(device->readReport(report, length, kAnswered), HidIoResult::Interrupted);
    other.join();
    device->interruptRead(); // nobody reads now: the next read ends at once
    const auto start = Clock::now();
    EXPECT_EQ(device->readReport(report, length, kAnswered), HidIoResult::Interrupted);
    EXPECT_LT(Clock::now() - start, kNoHang);
    EXPECT_EQ(device->readReport(report, length, 10ms), HidIoResult::Timeout);
}

TEST_F(LinuxHidDeviceTest, CancelEndsEveryLaterCall)
{
    device->cancel();
    HidReport report{};
    std::size_t length = 0;
    EXPECT_EQ(device->readReport(report, length, 5s), HidIoResult::Interrupted);
    EXPECT_EQ(device->readReport(report, length, 5s), HidIoResult::Interrupted);
    EXPECT_EQ(device->writeReport(report, 5s), HidIoResult::Interrupted);
}

TEST_F(LinuxHidDeviceTest, VanishedDeviceFails)
{
    ::close(peer);
    peer = -1;
    HidReport report{};
    std::size_t length = 0;
    EXPECT_EQ(device->readReport(report, length, kAnswered), HidIoResult::Failed);
    EXPECT_EQ(device->writeReport(report, kAnswered), HidIoResult::Failed);
}
