// The automatic upgrade policy against a scripted execute context.
#include "ota/OtaUpgradePolicy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <stdexcept>

using OtaModule::ClientInfo;
using OtaModule::UsbDeviceInfo;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

namespace {

ClientInfo client(int channel, std::string name = "Headset", int supportOta = 0)
{
    ClientInfo c;
    c.channel = std::uint8_t(channel);
    c.supportOta = std::uint8_t(supportOta);
    c.deviceName = std::move(name);
    return c;
}

// A session as the policy sees it: every operation answers from a script and
// leaves a trace.
struct ScriptedSession
{
    std::vector<UsbDeviceInfo> snapshot{{"id", "/dev/a#mi_00", "a"}, {"id", "/dev/b#mi_01", "b"}, {"id", "/dev/c#mi_03", "c"}};
    std::vector<ClientInfo> online{client(2, "Receiver"), client(3)};
    std::vector<ClientInfo> current; // what the last read delivered
    bool scanOk = true;
    bool autoOpenOk = true;
    std::deque<std::pair<bool, std::vector<ClientInfo>>> reads; // answers of openAndRead, then `online`
    int probeResult = 0;
    std::string activePath;
    std::string lastOnlinePath;
    std::map<int, std::pair<int, std::string>> failingHeadsets; // channel -> code, reason
    bool dongleOk = true;

    std::vector<std::string> calls;
    std::vector<std::pair<int, std::string>> failures;
    std::vector<std::chrono::milliseconds> waits;
    std::mutex mutex;
    OtaUpgradePolicy::RecoveryHandle handle{nullptr, &activePath, &lastOnlinePath, &mutex};

    OtaUpgradePolicy::ExecuteContext context()
    {
        OtaUpgradePolicy::ExecuteContext c;
        c.remoteFirmware = {1, 2, 3};
        c.auth1 = true;
        c.auth2 = false;
        c.selectedIndex = 0;
        c.recoveryTarget = &handle;
        c.scan = [this](int *matched, int *total) {
            calls.push_back("scan");
            *matched = scanOk ? int(snapshot.size()) : 0;
            *total = 9;
            return scanOk;
        };
        c.getOnlineClients = [this] { return current; };
        c.getDeviceSnapshot = [this] { return snapshot; };
        c.autoOpen = [this](const auto &) {
            calls.push_back("autoOpen");
            current = autoOpenOk ? online : std::vector<ClientInfo>{};
            if (autoOpenOk)
                activePath = snapshot[0].path;
            return autoOpenOk;
        };
        c.openAndRead = [this](int index, const auto &) {
            calls.push_back("openAndRead " + std::to_string(index));
            auto answer = std::make_pair(true, online);
            if (!reads.empty()) {
                answer = reads.front();
                reads.pop_front();
            }
            if (answer.first) {
                current = answer.second;
                activePath = snapshot[std::size_t(index)].path;
            }
            return answer.first;
        };
        c.openIndex = [this](int index, const auto &) {
            calls.push_back("openIndex " + std::to_string(index));
            return true;
        };
        c.probeWorkingPath = [this](const auto &, const auto &) {
            calls.push_back("probe");
            return probeResult;
        };
        c.findIndexByPath = [](const std::string &path, const std::vector<UsbDeviceInfo> &devices) {
            for (std::size_t i = 0; i < devices.size(); ++i)
                if (devices[i].path == path)
                    return int(i);
            return -1;
        };
        c.getActivePath = [this] { return activePath; };
        c.runRemoteOta = [this](const ClientInfo &target, bool, bool, int *code, std::string *reason, const auto &) {
            calls.push_back("remote " + std::to_string(target.channel));
            const auto failing = failingHeadsets.find(target.channel);
            if (failing == failingHeadsets.end())
                return true;
            *code = failing->second.first;
            *reason = failing->second.second;
            return false;
        };
        c.runDongleOta = [this](int index, bool, bool, const auto &) {
            calls.push_back("dongle " + std::to_string(index));
            return dongleOk;
        };
        c.onOpenReadFailed = [this] { calls.push_back("onOpenReadFailed"); };
        c.onFinished = [this](bool success, const auto &) { calls.push_back(success ? "finished ok" : "finished failed"); };
        c.onFailure = [this](int reason, const std::string &message) { failures.emplace_back(reason, message); };
        return c;
    }

    std::vector<std::string> updates() const
    {
        std::vector<std::string> out;
        for (const auto &call : calls)
            if (call.rfind("remote ", 0) == 0 || call.rfind("dongle ", 0) == 0)
                out.push_back(call);
        return out;
    }
};

} // namespace

class UpgradePolicyTest : public ::testing::Test
{
protected:
    bool run(std::uint32_t mode)
    {
        auto context = session.context();
        return policy.run(context, mode, [this](const std::string &line) { lines.push_back(line); });
    }

    bool logged(const std::string &line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

    ScriptedSession session;
    OtaModule::OtaSessionTimings timings{2500ms, 1500ms, 300ms, 250ms};
    OtaUpgradePolicy policy{timings, [this](std::chrono::milliseconds d) { session.waits.push_back(d); }};
    std::vector<std::string> lines;
};

struct DecisionCase
{
    const char *name;
    std::uint32_t mode;
    std::vector<ClientInfo> online;
    std::function<void(ScriptedSession &)> arrange;
    bool success;
    std::vector<std::string> updates;
    std::pair<int, std::string> lastReport; // (-1, "") when nothing is reported
};

class UpgradePolicyDecisionTest : public UpgradePolicyTest, public ::testing::WithParamInterface<DecisionCase>
{};

TEST_P(UpgradePolicyDecisionTest, Decides)
{
    const DecisionCase &c = GetParam();
    session.online = c.online;
    if (c.arrange)
        c.arrange(session);

    EXPECT_EQ(run(c.mode), c.success);
    EXPECT_EQ(session.updates(), c.updates);
    if (c.lastReport.first < 0) {
        EXPECT_TRUE(session.failures.empty());
    } else {
        ASSERT_FALSE(session.failures.empty());
        EXPECT_EQ(session.failures.back(), c.lastReport);
    }
    // Every run that passed the context check ends with exactly one outcome.
    EXPECT_EQ(std::count(session.calls.begin(), session.calls.end(), "finished ok")
                  + std::count(session.calls.begin(), session.calls.end(), "finished failed"),
              1);
    EXPECT_EQ(session.calls.back(), c.success ? "finished ok" : "finished failed");
}

const auto R = client(2, "Receiver");
const auto H3 = client(3);
const auto H4 = client(4);

INSTANTIATE_TEST_SUITE_P(
    Table, UpgradePolicyDecisionTest,
    ::testing::Values(
        DecisionCase{"both_online_headsets_then_receiver", 0, {R, H3, H4}, {}, true,
                     {"remote 3", "remote 4", "dongle 0"}, {0, ""}},
        DecisionCase{"headsets_only_needs_no_receiver", 1, {H3}, {}, true, {"remote 3"}, {0, ""}},
        DecisionCase{"receiver_only_with_receiver_alone", 2, {R}, {}, true, {"dongle 0"}, {0, ""}},
        DecisionCase{"headset_without_ota_support_is_still_updated", 1, {client(5, "Old", 0)}, {}, true, {"remote 5"},
                     {0, ""}},
        DecisionCase{"both_without_headset", 0, {R}, {}, false, {},
                     {4, "precheck failed: dongle/remote not both online"}},
        DecisionCase{"two_receiver_entries_are_no_headset", 1, {R, R}, {}, false, {},
                     {4, "precheck failed: no remote headset online"}},
        DecisionCase{"receiver_only_without_receiver", 2, {H3}, {}, false, {}, {4, "precheck failed: dongle not online"}},
        DecisionCase{"unknown_mode", 7, {R, H3}, {}, false, {}, {4, "precheck failed: dongle/remote not both online"}},
        DecisionCase{"nothing_matched", 0, {R, H3}, [](ScriptedSession &s) { s.scanOk = false; }, false, {},
                     {2, "no matched hid devices"}},
        DecisionCase{"nothing_answers", 0, {R, H3},
                     [](ScriptedSession &s) {
                         s.autoOpenOk = false;
                         s.reads = {{false, {}}};
                     },
                     false, {}, {3, "failed to open/read online devices"}},
        DecisionCase{"selected_index_saves_the_open", 0, {R, H3}, [](ScriptedSession &s) { s.autoOpenOk = false; },
                     true, {"remote 3", "dongle 0"}, {0, ""}},
        DecisionCase{"first_headset_fails", 0, {R, H3, H4},
                     [](ScriptedSession &s) { s.failingHeadsets[3] = {2, "auth failed"}; }, false, {"remote 3"},
                     {5, "auth failed"}},
        DecisionCase{"headset_fails_without_reason", 1, {H3},
                     [](ScriptedSession &s) { s.failingHeadsets[3] = {0, ""}; }, false, {"remote 3"},
                     {5, "remote ota failed"}},
        DecisionCase{"receiver_update_fails", 2, {R}, [](ScriptedSession &s) { s.dongleOk = false; }, false,
                     {"dongle 0"}, {-1, ""}},
        DecisionCase{"receiver_read_fails", 2, {R},
                     [](ScriptedSession &s) { s.reads = {{false, {}}}; }, false, {},
                     {6, "pre-dongle read failed on selected HID"}},
        DecisionCase{"receiver_gone_after_headsets", 0, {R, H3},
                     [](ScriptedSession &s) { s.reads = {{true, {client(3)}}}; }, false, {"remote 3"},
                     {6, "selected HID has no dongle online before dongle ota"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(UpgradePolicyTest, OpenFailureWithoutSelectionGivesUp)
{
    session.autoOpenOk = false;
    auto context = session.context();
    context.selectedIndex = -1;
    EXPECT_FALSE(policy.run(context, 0, [this](const std::string &l) { lines.push_back(l); }));
    EXPECT_THAT(session.failures, ElementsAre(std::make_pair(3, std::string("failed to open/read online devices"))));
    EXPECT_THAT(session.calls, ElementsAre("scan", "autoOpen", "onOpenReadFailed", "finished failed"));
    EXPECT_TRUE(logged("Stage status => scan=success, open_read=failed, precheck=pending"));
}

TEST_F(UpgradePolicyTest, IncompleteContextAbortsAtOnce)
{
    auto context = session.context();
    context.probeWorkingPath = nullptr;
    EXPECT_FALSE(policy.run(context, 0, [this](const std::string &l) { lines.push_back(l); }));
    EXPECT_THAT(session.failures,
                ElementsAre(std::make_pair(1, std::string("invalid execute context: missing callbacks"))));
    EXPECT_THAT(session.calls, ElementsAre("finished failed"));
    EXPECT_THAT(lines, ElementsAre("Auto upgrade policy aborted: invalid execute context"));

    session.calls.clear();
    context = session.context();
    context.recoveryTarget = nullptr;
    context.onFailure = nullptr;
    EXPECT_FALSE(policy.run(context, 0, {}));
    EXPECT_THAT(session.calls, ElementsAre("finished failed"));
}

TEST_F(UpgradePolicyTest, LogsTheStagesOfASuccessfulRun)
{
    session.online = {R, H3};
    ASSERT_TRUE(run(0));
    EXPECT_TRUE(logged("Auto-upgrade session: matched devices=3 / total hid=9"));
    EXPECT_TRUE(logged("Auto upgrade precheck passed"));
    EXPECT_TRUE(logged("Stage status => scan=success, open_read=success, precheck=success"));
    EXPECT_TRUE(logged("Remote OTA session check: firmware_size=3 bytes, firmware_fnv1a32=0x"
                       + OtaUpgradePolicy::hexPadded(OtaUpgradePolicy::fnv1a32({1, 2, 3}), 8)
                       + ", auth1=true, auth2=false"));
    EXPECT_TRUE(logged("Remote target check: channel=3, supportOta=0, deviceName=Headset"));
    EXPECT_TRUE(logged("Remote auto-upgrade finished, total remote devices: 1"));
    EXPECT_TRUE(logged("Dongle index remapped by active path after remote: 0"));
    EXPECT_TRUE(logged("Dongle index selected for OTA: 0"));
    EXPECT_TRUE(logged("Dongle precheck on selected HID => dongle=yes, remote_count=1"));
}

TEST_F(UpgradePolicyTest, PrecheckRecoveryStopsAfterTwoPassesInARow)
{
    session.online = {R, H3};
    session.probeResult = 2;
    // autoOpen reads the receiver alone; the recovery's reads see both.
    session.autoOpenOk = true;
    auto context = session.context();
    context.autoOpen = [this](const auto &) {
        session.current = {R};
        return true;
    };
    ASSERT_TRUE(policy.run(context, 0, [this](const std::string &l) { lines.push_back(l); }));

    EXPECT_THAT(session.waits, ElementsAre(300ms));
    EXPECT_EQ(std::count(session.calls.begin(), session.calls.end(), "openAndRead 2"), 3); // two attempts, then the receiver
    EXPECT_TRUE(logged("Precheck recovery: online state is unstable, rescanning and probing all matched HID paths..."));
    EXPECT_TRUE(logged("Stage status => scan=success, open_read=success, precheck=degraded"));
}

TEST_F(UpgradePolicyTest, PrecheckRecoveryCountsOnlyPassesInARow)
{
    session.online = {R, H3};
    session.reads = {{true, {R}}, {true, {R, H3}}, {false, {}}, {true, {R, H3}}};
    auto context = session.context();
    context.autoOpen = [this](const auto &) {
        session.current = {R};
        return true;
    };
    // Fail, pass, fail, pass: never two passes in a row, but the last counts stand.
    EXPECT_TRUE(policy.run(context, 0, [this](const std::string &l) { lines.push_back(l); }));
    EXPECT_THAT(session.waits, ElementsAre(300ms, 300ms, 300ms));
}

TEST_F(UpgradePolicyTest, PrecheckFailsWhenNoPathWorks)
{
    session.online = {R};
    session.probeResult = -1;
    EXPECT_FALSE(run(0));
    EXPECT_TRUE(session.waits.empty());
    EXPECT_TRUE(logged("Precheck recovery failed: no working HID path found"));
    EXPECT_TRUE(logged("Auto upgrade blocked: single active device must have Dongle online and at least 1 remote online"));
    EXPECT_TRUE(logged("Current online status => dongle=yes, remote_count=0"));
    EXPECT_TRUE(logged("Stage status => scan=success, open_read=success, precheck=failed"));
}

TEST_F(UpgradePolicyTest, FailedHeadsetStopsEverythingAndRebuildsTheSession)
{
    session.online = {R, H3, H4};
    session.failingHeadsets[3] = {2, "auth failed"};
    session.lastOnlinePath = session.snapshot[1].path;
    EXPECT_FALSE(run(0));

    EXPECT_TRUE(logged("Auto upgrade stopped: remote OTA failed, Dongle OTA will not start (channel 3, error 2)"));
    EXPECT_TRUE(logged("Remote failure reason: auth failed"));
    EXPECT_TRUE(logged("Remote recovery: closing current session and rebuilding executor..."));
    EXPECT_TRUE(logged("Remote recovery completed"));
    // Reopened where the headsets were last seen, then read twice.
    const std::vector<std::string> tail(session.calls.end() - 5, session.calls.end());
    EXPECT_THAT(tail, ElementsAre("scan", "openIndex 1", "openAndRead 1", "openAndRead 1", "finished failed"));
    EXPECT_THAT(session.waits, ElementsAre(250ms, 250ms));
}

TEST_F(UpgradePolicyTest, HeadsetsOnlyFailureLineHasNoReceiverNote)
{
    session.online = {H3};
    session.failingHeadsets[3] = {3, ""};
    session.probeResult = -1; // the recovery falls back to the first path
    EXPECT_FALSE(run(1));
    EXPECT_TRUE(logged("Auto upgrade stopped: remote OTA failed (channel 3, error 3)"));
    EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [](const auto &l) { return l.rfind("Remote failure reason", 0) == 0; }));
    EXPECT_THAT(session.calls, ::testing::Contains("openIndex 0"));
}

TEST_F(UpgradePolicyTest, RecoveryWithoutDevicesGivesUp)
{
    session.online = {H3};
    session.failingHeadsets[3] = {1, "no client found"};
    auto context = session.context();
    context.getDeviceSnapshot = [this] {
        // Gone by the time the recovery looks again.
        return std::count(session.calls.begin(), session.calls.end(), "scan") > 1 ? std::vector<UsbDeviceInfo>{}
                                                                                   : session.snapshot;
    };
    EXPECT_FALSE(policy.run(context, 1, [this](const std::string &l) { lines.push_back(l); }));
    EXPECT_TRUE(logged("Remote recovery failed: no matched HID devices found"));
    EXPECT_TRUE(session.activePath.empty()); // the session was closed
}

TEST_F(UpgradePolicyTest, ReceiverFollowsTheActivePathOverTheSelection)
{
    session.online = {R, H3};
    auto context = session.context();
    context.selectedIndex = 0;
    context.autoOpen = [this](const auto &) {
        session.current = session.online;
        session.activePath = session.snapshot[2].path;
        return true;
    };
    ASSERT_TRUE(policy.run(context, 0, [this](const std::string &l) { lines.push_back(l); }));
    EXPECT_EQ(session.updates().back(), "dongle 2");
    EXPECT_TRUE(logged("Dongle index remapped by active path after remote: 2"));
}

TEST_F(UpgradePolicyTest, InvalidSelectionFallsBackToTheFirstInterface)
{
    session.online = {R};
    session.probeResult = -1;
    auto context = session.context();
    context.selectedIndex = 5;
    context.autoOpen = [this](const auto &) {
        session.current = session.online;
        return true; // opened somewhere the snapshot does not list
    };
    session.activePath = "/dev/elsewhere";
    ASSERT_TRUE(policy.run(context, 2, [this](const std::string &l) { lines.push_back(l); }));
    EXPECT_TRUE(logged("Dongle active path not found in latest snapshot, fallback to index strategy"));
    EXPECT_TRUE(logged("Dongle index fallback: selected index invalid, probing working HID path..."));
    EXPECT_TRUE(logged("Dongle index selected for OTA: 0"));
    EXPECT_EQ(session.updates(), std::vector<std::string>{"dongle 0"});
}

TEST_F(UpgradePolicyTest, EmptySnapshotLeavesNoReceiverToUpdate)
{
    session.online = {R};
    session.probeResult = -1;
    auto context = session.context();
    context.selectedIndex = -1;
    context.getDeviceSnapshot = [] { return std::vector<UsbDeviceInfo>{}; };
    EXPECT_FALSE(policy.run(context, 2, [this](const std::string &l) { lines.push_back(l); }));
    EXPECT_EQ(session.failures.back(), std::make_pair(6, std::string("no valid dongle index selected")));
    EXPECT_TRUE(logged("Dongle index selected for OTA: -1"));
}

TEST_F(UpgradePolicyTest, ThrowingLogNeverStopsTheRun)
{
    session.online = {R, H3};
    auto context = session.context();
    EXPECT_TRUE(policy.run(context, 0, [](const std::string &) { throw std::runtime_error("log broken"); }));
}

TEST(UpgradePolicyHelperTest, HashAndHexText)
{
    EXPECT_EQ(OtaUpgradePolicy::fnv1a32({}), 0x811c9dc5u);
    EXPECT_EQ(OtaUpgradePolicy::fnv1a32({'a'}), 0xe40c292cu);
    EXPECT_EQ(OtaUpgradePolicy::fnv1a32({'f', 'o', 'o', 'b', 'a', 'r'}), 0xbf9cf968u);
    EXPECT_EQ(OtaUpgradePolicy::hexPadded(0xab, 8), "000000ab");
    EXPECT_EQ(OtaUpgradePolicy::hexPadded(0, 4), "0000");
    EXPECT_EQ(OtaUpgradePolicy::hexPadded(0x3654, 4), "3654");
    EXPECT_EQ(OtaUpgradePolicy::hexPadded(0xDEADBEEF, 4), "deadbeef");

    const std::pair<int, const char *> statuses[] = {{0, "pending"}, {1, "success"}, {2, "failed"}, {3, "degraded"},
                                                     {4, "unknown"}, {-1, "unknown"}};
    for (const auto &[status, text] : statuses)
        EXPECT_EQ(OtaUpgradePolicy::stageStatusText(status), text);
}

TEST_F(UpgradePolicyTest, HashWithLeadingZerosKeepsAllEightDigits)
{
    std::vector<std::uint8_t> image{0, 0};
    for (int v = 0; v < 0x10000 && OtaUpgradePolicy::fnv1a32(image) >= 0x10000000u; ++v)
        image = {std::uint8_t(v >> 8), std::uint8_t(v)};
    const std::uint32_t hash = OtaUpgradePolicy::fnv1a32(image);
    ASSERT_LT(hash, 0x10000000u);

    session.online = {H3};
    auto context = session.context();
    context.remoteFirmware = image;
    ASSERT_TRUE(policy.run(context, 1, [this](const std::string &l) { lines.push_back(l); }));
    EXPECT_THAT(lines, ::testing::Contains(HasSubstr("firmware_fnv1a32=0x0")));
    EXPECT_THAT(lines, ::testing::Contains(HasSubstr("firmware_fnv1a32=0x" + OtaUpgradePolicy::hexPadded(hash, 8) + ",")));
}

TEST(UpgradePolicyHelperTest, PrecheckRule)
{
    struct Row
    {
        std::uint32_t mode;
        bool dongle;
        int remotes;
        bool passes;
    };
    const Row rows[] = {
        {0, true, 1, true},  {0, true, 0, false}, {0, false, 2, false}, {1, false, 1, true}, {1, true, 0, false},
        {2, true, 0, true},  {2, false, 3, false}, {3, true, 1, false},
    };
    for (const Row &r : rows)
        EXPECT_EQ(OtaUpgradePolicy::precheckPasses(r.mode, r.dongle, r.remotes), r.passes)
            << r.mode << " " << r.dongle << " " << r.remotes;

    bool dongle = false;
    int remotes = -1;
    OtaUpgradePolicy::countOnline({client(2), client(2)}, &dongle, &remotes);
    EXPECT_TRUE(dongle);
    EXPECT_EQ(remotes, 0);
}
