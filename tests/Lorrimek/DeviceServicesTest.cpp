// Platform type, OS version class, and the support rules built on them.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "DeviceServices.h"
#include "SupportRule.h"
#include "support/TempDevice.h"

namespace {

class DeviceServicesTest : public testing::Test {
protected:
    test::TempDevice dev_;
};

TEST_F(DeviceServicesTest, PlatformTextsAreComparedExactly) {
    // The last text is longer than the buffer the query is given: the query fails.
    const std::pair<std::string, int> cases[] = {
        {"SmartPhone", kPlatformSmartphone}, {"PocketPC", kPlatformPocketPC},
        {"Smartphone", kPlatformOther},      {"SMARTPHONE", kPlatformOther},
        {"pocketpc", kPlatformOther},        {"PocketPC ", kPlatformOther},
        {"Pocket PC", kPlatformOther},       {"", kPlatformOther},
        {"Desktop", kPlatformOther},         {std::string(300, 'P'), kPlatformOther}};
    for (const auto& [text, expected] : cases) {
        dev_.SetPlatform(text);
        EXPECT_EQ(GetPlatformType(), expected) << '"' << text << '"';
    }
}

TEST_F(DeviceServicesTest, OsVersionClassTable) {
    const std::tuple<uint32_t, uint32_t, int> cases[] = {
        {0, 0, 1},  {2, 11, 1}, {3, 0, 2}, {3, 99, 2}, {4, 0, 3}, {4, 20, 3}, {4, 21, 4},
        {4, 99, 4}, {5, 0, 5},  {5, 2, 5}, {6, 5, 6},  {7, 0, 7}, {8, 0, 7},  {4294967295u, 0, 7},
    };
    for (const auto& [major, minor, expected] : cases) {
        dev_.SetOsVersion(major, minor);
        EXPECT_EQ(GetOSVersionClass(), expected) << major << '.' << minor;
    }
}

TEST_F(DeviceServicesTest, SupportRulesAcrossDevices) {
    const ESupportRule rules[] = {
        ESupportRule::PocketPCOrSmartphone, ESupportRule::SmartphoneOnly,
        ESupportRule::PocketPCOnly,         ESupportRule::AnyPlatform,
        ESupportRule::MMSVideoOlder,        ESupportRule::MMSVideoNewer,
    };
    // Platform, OS version, and the answer of each rule above.
    const std::tuple<const char*, uint32_t, uint32_t, const char*> cases[] = {
        {"SmartPhone", 3, 0, "110100"},  {"SmartPhone", 4, 20, "110110"},
        {"SmartPhone", 4, 21, "110110"}, {"SmartPhone", 5, 2, "110110"},
        {"SmartPhone", 6, 0, "110101"},  {"SmartPhone", 7, 0, "110100"},
        {"PocketPC", 3, 0, "101100"},    {"PocketPC", 4, 20, "101101"},
        {"PocketPC", 5, 1, "101101"},    {"PocketPC", 6, 5, "101101"},
        {"PocketPC", 8, 0, "101100"},    {"Desktop", 5, 2, "000100"},
    };
    for (const auto& [platform, major, minor, answers] : cases) {
        dev_.SetPlatform(platform);
        dev_.SetOsVersion(major, minor);
        for (size_t i = 0; i < std::size(rules); ++i) {
            EXPECT_EQ(IsSupportedBy(rules[i]), answers[i] == '1' ? TRUE : FALSE)
                << platform << ' ' << major << '.' << minor << " rule " << i;
        }
    }
}

}  // namespace
