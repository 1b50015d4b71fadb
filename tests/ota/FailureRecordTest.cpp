// The first-failure record and the cooldown of the automatic upgrade.
#include "ota/OtaSession.h"
#include "ota/UpgradeCooldown.h"
#include "ota/UpgradeFailureRecord.h"

#include <gtest/gtest.h>

using namespace OtaModule;
using namespace std::chrono_literals;

TEST(UpgradeFailureRecordTest, FirstFailureSinceTheLastClearWins)
{
    UpgradeFailureRecord record;
    EXPECT_EQ(record.code(), 0);
    EXPECT_EQ(record.text(), "");

    record.record(10, "");
    record.record(9, "remote gone");
    EXPECT_EQ(record.code(), 10);
    EXPECT_EQ(record.text(), "dongle ota failed");

    record.record(0, "");
    EXPECT_EQ(record.code(), 0);
    EXPECT_EQ(record.text(), "");

    record.record(7, "failed to open selected dongle");
    EXPECT_EQ(record.text(), "failed to open selected dongle");
}

TEST(UpgradeFailureRecordTest, DefaultTexts)
{
    const std::pair<int, const char *> table[] = {
        {1, "auto upgrade blocked by cooldown"}, {2, "remote firmware not found"},
        {3, "dongle firmware not found"},        {4, "invalid selected online device"},
        {5, "invalid execute context"},          {6, "no matched hid devices"},
        {7, "failed to open/read online devices"}, {8, "precheck failed"},
        {9, "remote ota failed"},                {10, "dongle ota failed"},
        {11, "unknown failure"},                 {250, "unknown failure"},
    };
    for (const auto &[code, text] : table) {
        UpgradeFailureRecord record;
        record.record(code, "");
        EXPECT_EQ(record.text(), text) << code;
    }
}

TEST(UpgradeFailureRecordTest, PolicyErrorsMapToSessionCodes)
{
    using Code = OtaSession::FailureCode;
    const std::pair<int, Code> table[] = {
        {0, Code::None},           {1, Code::InvalidExecuteContext}, {2, Code::NoMatchedHidDevices},
        {3, Code::OpenReadFailed}, {4, Code::PrecheckFailed},        {5, Code::RemoteOtaFailed},
        {6, Code::DongleOtaFailed}, {7, Code::UnknownFailure},       {-1, Code::UnknownFailure},
    };
    for (const auto &[reason, code] : table)
        EXPECT_EQ(OtaSession::failureCodeForPolicyError(reason), code) << reason;
}

class UpgradeCooldownTest : public ::testing::Test
{
protected:
    UpgradeCooldown::Clock::time_point now = UpgradeCooldown::Clock::time_point(1h);
    UpgradeCooldown cooldown{[this] { return now; }};
    std::vector<std::string> lines;
    OtaLogFunction log = [this](const std::string &line) { lines.push_back(line); };
};

TEST_F(UpgradeCooldownTest, DelaysDoubleUpToTheCap)
{
    EXPECT_TRUE(cooldown.allows(log));
    for (int i = 0; i < 5; ++i)
        cooldown.recordOutcome(false, 1000, 8000, log);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Auto upgrade cooldown armed: 1000 ms (consecutive failures=1)",
                         "Auto upgrade cooldown armed: 2000 ms (consecutive failures=2)",
                         "Auto upgrade cooldown armed: 4000 ms (consecutive failures=3)",
                         "Auto upgrade cooldown armed: 8000 ms (consecutive failures=4)",
                         "Auto upgrade cooldown armed: 8000 ms (consecutive failures=5)",
                     }));
}

TEST_F(UpgradeCooldownTest, BlocksUntilTheDeadline)
{
    cooldown.recordOutcome(false, 2000, 30000, log);
    lines.clear();
    now += 500ms + 999us;
    EXPECT_FALSE(cooldown.allows(log));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Auto upgrade blocked by cooldown: retry after 1499 ms");
    now += 1499ms;
    EXPECT_FALSE(cooldown.allows(log));
    now += 1ms;
    EXPECT_TRUE(cooldown.allows(log));
}

TEST_F(UpgradeCooldownTest, SuccessStartsOver)
{
    for (int i = 0; i < 3; ++i)
        cooldown.recordOutcome(false, 1000, 8000, log);
    cooldown.recordOutcome(true, 1000, 8000, log);
    EXPECT_EQ(cooldown.consecutiveFailures(), 0);
    EXPECT_TRUE(cooldown.allows(log));
    lines.clear();
    cooldown.recordOutcome(false, 1000, 8000, log);
    EXPECT_EQ(lines.back(), "Auto upgrade cooldown armed: 1000 ms (consecutive failures=1)");
}

TEST_F(UpgradeCooldownTest, ZeroCapNeverBlocks)
{
    for (int i = 0; i < 3; ++i) {
        cooldown.recordOutcome(false, 2000, 0, log);
        EXPECT_TRUE(cooldown.allows(log));
    }
    EXPECT_EQ(lines.back(), "Auto upgrade cooldown armed: 0 ms (consecutive failures=3)");
}

TEST(UpgradeCooldownDelayTest, OddAndBrokenSettings)
{
    EXPECT_EQ(UpgradeCooldown::delayMs(1, 3000, 2000), 2000); // base above the cap
    EXPECT_EQ(UpgradeCooldown::delayMs(3, 1500, 5000), 5000); // 1500, 3000, then the cap
    EXPECT_EQ(UpgradeCooldown::delayMs(40, 0, 30000), 0);
    EXPECT_EQ(UpgradeCooldown::delayMs(2, -5, 30000), 0);
    EXPECT_EQ(UpgradeCooldown::delayMs(2, 1000, -1), 0);
    EXPECT_EQ(UpgradeCooldown::delayMs(1000000, 2000, 30000), 30000);
}
