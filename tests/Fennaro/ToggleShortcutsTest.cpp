// Toggle shortcuts: replacing and removing them, and where a Pocket PC keeps them.
#include "FennaroTestSupport.h"
#include "ToggleShortcuts.h"

namespace {

using namespace testing;

class ToggleShortcuts : public test::AppTest {
protected:
    explicit ToggleShortcuts(const ce::Profile& profile = {}) : AppTest(profile) {}

    CTweakersFactory factory_;
    CTweakBase* const boost_ = TweakByClass(factory_, "CSpeedBoostTweak");
};

TEST_F(ToggleShortcuts, CreatingReplacesAnOldFileAndRemovingAMissingOneChangesNothing) {
    const std::filesystem::path host = device_.Device().HostPath(ToggleShortcutPath(boost_).View());
    EXPECT_FALSE(ToggleShortcutExists(boost_));
    test::WriteFileBytes(host, "9#\\old\\one");
    EXPECT_TRUE(ToggleShortcutExists(boost_));
    ASSERT_TRUE(CreateToggleShortcut(boost_));
    EXPECT_THAT(test::ReadFileBytes(host), EndsWith(ce::ToUtf8(boost_->GetID().View())));

    EXPECT_TRUE(RemoveToggleShortcut(boost_));
    EXPECT_FALSE(ToggleShortcutExists(boost_));
    EXPECT_FALSE(RemoveToggleShortcut(boost_));
    EXPECT_FALSE(std::filesystem::exists(host));
}

class PocketPCToggleShortcuts : public ToggleShortcuts {
protected:
    PocketPCToggleShortcuts() : ToggleShortcuts(ce::Profile{.platform = "PocketPC"}) {}
};

TEST_F(PocketPCToggleShortcuts, OnAPocketPCTheyLieInThePrograms) {
    EXPECT_EQ(ce::ToUtf8(ToggleShortcutPath(boost_).View()),
              "\\Windows\\Start Menu\\Programs\\Speed-Boost.lnk");
}

}  // namespace
