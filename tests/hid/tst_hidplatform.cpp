// The Qt-free pieces under the HID stack: device-id tokens, the hidapi
// compatibility layer, and the hidapi double the other tests stand on.
#include "platform/hidapicompat/HidApiCompat.h"
#include "platform/hidapicompat/HidPathTokens.h"
#include "tests/support/hidapidouble/EchoResponder.h"
#include "tests/support/hidapidouble/HidApiDouble.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using Platform::HidPathTokens;
using VirtualDevices::EchoResponder;
using VirtualDevices::HidApiDouble;
using VirtualDevices::Report;
using VirtualDevices::VirtualHidDevice;
using namespace std::chrono_literals;

namespace {

struct TokenCase
{
    std::string path;
    int vendorId;
    int productId;
    int interfaceNumber;
    std::string deviceId;
};

class PathTokens : public testing::TestWithParam<TokenCase>
{
};

TEST_P(PathTokens, RoundTrip)
{
    const TokenCase &c = GetParam();
    const std::string id = HidPathTokens::withIdentity(c.path, c.vendorId, c.productId, c.interfaceNumber);
    EXPECT_EQ(id, c.deviceId);
    EXPECT_EQ(HidPathTokens::openPath(id), c.path);
}

const std::string windowsPath = VirtualHidDevice::windowsPath(0x3302, 0xc20e, 0);

INSTANTIATE_TEST_SUITE_P(
    Ids, PathTokens,
    testing::Values(TokenCase{"/dev/hidraw3", 0x3654, 0x5055, 3, "/dev/hidraw3#vid_3654&pid_5055&mi_03"},
                    TokenCase{"/dev/hidraw12", 0x3302, 0xC20E, 0, "/dev/hidraw12#vid_3302&pid_c20e&mi_00"},
                    TokenCase{"/dev/hidraw0", 0x0001, 0x00ab, 0x1f, "/dev/hidraw0#vid_0001&pid_00ab&mi_1f"},
                    TokenCase{"/dev/hidraw5", 0x3654, 0x6901, -1, "/dev/hidraw5#vid_3654&pid_6901"},
                    // Windows paths already carry the identity: untouched both ways.
                    TokenCase{windowsPath, 0x3302, 0xc20e, 0, windowsPath},
                    TokenCase{"\\\\?\\HID#VID_3654&PID_5055&MI_03#x", 0x3654, 0x5055, 3,
                              "\\\\?\\HID#VID_3654&PID_5055&MI_03#x"},
                    TokenCase{"", 0x3654, 0x5055, 3, ""}));

TEST(PathTokens, OnlyTheExactSuffixIsStripped)
{
    for (const std::string id : {"/dev/hidraw3#vid_3654&pid_5055&mi_3", "/dev/hidraw3#vid_3654&pid_5055&mi_03x",
                                 "/dev/hidraw3#vid_3654&pid_50", "/dev/hidraw3#VID_3654&PID_5055&MI_03",
                                 "#vid_3654&pid_5055&mi_03"})
        EXPECT_EQ(HidPathTokens::openPath(id), id) << id;
}

class DoubleTest : public testing::Test
{
protected:
    void SetUp() override
    {
        api().reset();
        ASSERT_EQ(hid_init(), 0);
    }
    void TearDown() override { api().reset(); }

    static HidApiDouble &api() { return HidApiDouble::instance(); }

    static VirtualHidDevice device(const std::string &path, std::uint16_t vid, std::uint16_t pid, int iface)
    {
        VirtualHidDevice d;
        d.path = path;
        d.vendorId = vid;
        d.productId = pid;
        d.interfaceNumber = iface;
        d.productName = L"Headset";
        return d;
    }
};

TEST_F(DoubleTest, EnumerateFiltersAndCounts)
{
    api().addDevice(device("/dev/hidraw1", 0x3654, 0x5055, 3));
    api().addDevice(device("/dev/hidraw2", 0x3654, 0x6901, 3));
    api().addDevice(device("/dev/hidraw3", 0x046d, 0x5055, 0));

    const auto paths = [](unsigned short vid, unsigned short pid) {
        std::vector<std::string> found;
        hid_device_info *list = hid_enumerate(vid, pid);
        for (hid_device_info *d = list; d; d = d->next)
            found.push_back(d->path);
        hid_free_enumeration(list);
        return found;
    };
    EXPECT_EQ(paths(0x3654, 0), (std::vector<std::string>{"/dev/hidraw1", "/dev/hidraw2"}));
    EXPECT_EQ(paths(0, 0x5055), (std::vector<std::string>{"/dev/hidraw1", "/dev/hidraw3"}));
    EXPECT_EQ(paths(0, 0).size(), 3u);
    api().unplug("/dev/hidraw2");
    EXPECT_EQ(paths(0x3654, 0x6901), std::vector<std::string>{});
    EXPECT_EQ(api().enumerateCalls(), 4);
    EXPECT_EQ(api().enumerateRequests().front(), (std::pair<unsigned short, unsigned short>(0x3654, 0)));
}

TEST_F(DoubleTest, EchoThroughOpenHandleAndPaddedWrite)
{
    auto echo = std::make_shared<EchoResponder>();
    api().addDevice(device("/dev/hidraw1", 0x3654, 0x5055, 3), echo);
    hid_device *h = hid_open_path("/dev/hidraw1");
    ASSERT_NE(h, nullptr);

    const unsigned char frame[3] = {0x00, 0xAA, 0x55};
    // Linux hidraw sends what it is given; the compatibility layer pads like Windows does.
    EXPECT_EQ(Platform::HidApiCompat::writeReport(h, frame, sizeof frame, 65), 65);
    Report expected(65, 0);
    expected[1] = 0xAA;
    expected[2] = 0x55;
    ASSERT_EQ(api().writes("/dev/hidraw1"), std::vector<Report>{expected});

    unsigned char buffer[65] = {};
    EXPECT_EQ(hid_read_timeout(h, buffer, sizeof buffer, 1000), 65);
    EXPECT_EQ(Report(buffer, buffer + 65), expected);
    EXPECT_EQ(hid_read_timeout(h, buffer, sizeof buffer, 0), 0);
    hid_close(h);
    EXPECT_EQ(api().openHandles(), 0);
}

TEST_F(DoubleTest, LongWriteIsNotPadded)
{
    api().addDevice(device("/dev/hidraw1", 0x3654, 0x5055, 3));
    hid_device *h = hid_open_path("/dev/hidraw1");
    const Report frame(65, 0x11);
    EXPECT_EQ(Platform::HidApiCompat::writeReport(h, frame.data(), frame.size(), 65), 65);
    EXPECT_EQ(api().writes("/dev/hidraw1").at(0), frame);
    hid_close(h);
}

TEST_F(DoubleTest, BlockedReadWakesForANotification)
{
    auto echo = std::make_shared<EchoResponder>();
    api().addDevice(device("/dev/hidraw1", 0x3654, 0x5055, 3), echo);
    hid_device *h = hid_open_path("/dev/hidraw1");
    std::atomic<int> result{-2};
    std::thread reader([&] {
        unsigned char buffer[8] = {};
        result = hid_read_timeout(h, buffer, sizeof buffer, 5000);
    });
    echo->pushDeviceReport({1, 2, 3});
    reader.join();
    EXPECT_EQ(result.load(), 3);
    hid_close(h);
}

TEST_F(DoubleTest, InjectedFaults)
{
    api().addDevice(device("/dev/hidraw1", 0x3654, 0x5055, 3));
    hid_device *h = hid_open_path("/dev/hidraw1");
    const unsigned char data[4] = {0, 1, 2, 3};

    api().queueWriteFaults("/dev/hidraw1", HidApiDouble::WriteFault::Error);
    api().queueWriteFaults("/dev/hidraw1", HidApiDouble::WriteFault::Zero);
    api().queueWriteFaults("/dev/hidraw1", HidApiDouble::WriteFault::Short, 1, 2);
    EXPECT_EQ(hid_write(h, data, 4), -1);
    EXPECT_NE(hid_error(h), nullptr);
    EXPECT_EQ(hid_write(h, data, 4), 0);
    EXPECT_EQ(hid_write(h, data, 4), 2);
    EXPECT_EQ(hid_write(h, data, 4), 4);
    EXPECT_EQ(api().writes("/dev/hidraw1"), (std::vector<Report>{{0, 1}, {0, 1, 2, 3}}));
    EXPECT_EQ(api().writeAttempts("/dev/hidraw1"), 4);

    unsigned char buffer[8];
    api().failReads("/dev/hidraw1", 2, L"boom");
    EXPECT_EQ(hid_read_timeout(h, buffer, sizeof buffer, 10), -1);
    EXPECT_EQ(std::wstring(Platform::HidApiCompat::readErrorText(h)), L"boom");
    EXPECT_FALSE(api().waitForFailedReads("/dev/hidraw1", 0ms));
    EXPECT_EQ(hid_read_timeout(h, buffer, sizeof buffer, 10), -1);
    EXPECT_TRUE(api().waitForFailedReads("/dev/hidraw1", 0ms));
    EXPECT_EQ(hid_read_timeout(h, buffer, sizeof buffer, 10), 0);

    api().unplug("/dev/hidraw1");
    EXPECT_EQ(hid_read_timeout(h, buffer, sizeof buffer, 10), -1);
    EXPECT_EQ(hid_write(h, data, 4), -1);
    EXPECT_EQ(hid_open_path("/dev/hidraw1"), nullptr);
    hid_close(h);
}

TEST_F(DoubleTest, OpenFailureTextAndInitFailures)
{
    api().addDevice(device("/dev/hidraw1", 0x3654, 0x5055, 3));
    api().failOpen("/dev/hidraw1", L"Permission denied");
    EXPECT_EQ(hid_open_path("/dev/hidraw1"), nullptr);
    EXPECT_EQ(std::wstring(hid_error(nullptr)), L"Permission denied");
    api().failOpen("/dev/hidraw1", L"");
    EXPECT_EQ(hid_open_path("/dev/hidraw1"), nullptr);
    EXPECT_EQ(hid_error(nullptr), nullptr);

    api().failInit(2);
    EXPECT_EQ(hid_init(), -1);
    EXPECT_EQ(hid_init(), -1);
    EXPECT_EQ(hid_init(), 0);
    EXPECT_EQ(api().initCalls(), 4);
}

TEST_F(DoubleTest, StalledReadIgnoresItsTimeoutUntilReleased)
{
    api().addDevice(device("/dev/hidraw1", 0x3654, 0x5055, 3));
    hid_device *h = hid_open_path("/dev/hidraw1");
    api().stallReads("/dev/hidraw1", true);
    std::atomic<bool> returned{false};
    std::thread reader([&] {
        unsigned char buffer[8];
        hid_read_timeout(h, buffer, sizeof buffer, 1);
        returned = true;
    });
    // The read is still blocked long after its 1 ms time-out.
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(returned.load());
    api().stallReads("/dev/hidraw1", false);
    reader.join();
    EXPECT_TRUE(returned.load());
    hid_close(h);
}

TEST_F(DoubleTest, UseAfterExitIsRecordedAsMisuse)
{
    api().addDevice(device("/dev/hidraw1", 0x3654, 0x5055, 3));
    hid_device *h = hid_open_path("/dev/hidraw1");
    hid_exit();
    hid_close(h);
    hid_free_enumeration(hid_enumerate(0, 0));
    EXPECT_EQ(api().misuse(), (std::vector<std::string>{"hid_exit with 1 open handle(s)", "hid_close after hid_exit",
                                                         "hid_enumerate after hid_exit"}));
}

} // namespace
