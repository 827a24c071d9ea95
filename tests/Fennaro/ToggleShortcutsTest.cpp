// Toggle shortcuts on both editions: where they lie, what they start, replacing and removing
// them, and display names that cannot be file names as they are.
#include <Lorrimek/TweakersFactory.h>
#include <ProductLayout/Install.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FennaroTestSupport.h"
#include "ToggleShortcuts.h"

namespace {

using namespace testing;

const WCHAR kSpeedBoost[] = u"CSpeedBoostTweak_BE008CAD-DA8C-427a-87B3-2EB885AC01A8";
const WCHAR kSmsTyping[] = u"CSpeedUpSMSTyping_AA0BA23C-2CAF-486f-806E-12021807BE04}";

std::string Utf8(const CWideString& text) { return ce::ToUtf8(text.View()); }

class ToggleShortcuts : public test::AppTest {
protected:
    explicit ToggleShortcuts(const ce::Profile& profile = {}) : AppTest(profile) {}

    CTweakBase& Tweak(LPCWSTR id) {
        CTweakBase* tweak = factory_.GetTweakByID(id);
        EXPECT_NE(tweak, nullptr);
        return *tweak;
    }
    std::string FileOf(const CWideString& devicePath) {
        return test::ReadFileBytes(device_.Device().HostPath(devicePath.View()));
    }

    CTweakersFactory factory_;
};

TEST_F(ToggleShortcuts, OnASmartphoneTheyLieInTheStartMenuAndStartTheInstalledApplication) {
    CTweakBase& tweak = Tweak(kSpeedBoost);
    EXPECT_EQ(ce::ToUtf8(ApplicationPath()), "\\Program Files\\Quenvale\\Fennaro.exe");
    EXPECT_EQ(Utf8(ToggleShortcutPath(&tweak)), "\\Windows\\Start Menu\\Speed-Boost.lnk");
    EXPECT_FALSE(ToggleShortcutExists(&tweak));

    ASSERT_TRUE(CreateToggleShortcut(&tweak));
    EXPECT_TRUE(ToggleShortcutExists(&tweak));
    // The count, "#", the application quoted, one blank, the ID: the whole command line.
    const std::string target =
        "\"\\Program Files\\Quenvale\\Fennaro.exe\" " + Utf8(CWideString(kSpeedBoost));
    EXPECT_EQ(FileOf(ToggleShortcutPath(&tweak)), std::to_string(target.size()) + "#" + target);
}

TEST_F(ToggleShortcuts, CreatingReplacesAnOldFileAndRemovingAMissingOneChangesNothing) {
    CTweakBase& tweak = Tweak(kSpeedBoost);
    const std::filesystem::path host = device_.Device().HostPath(ToggleShortcutPath(&tweak).View());
    test::WriteFileBytes(host, "9#\\old\\one");
    EXPECT_TRUE(ToggleShortcutExists(&tweak));
    ASSERT_TRUE(CreateToggleShortcut(&tweak));
    EXPECT_THAT(test::ReadFileBytes(host), EndsWith(Utf8(CWideString(kSpeedBoost))));

    EXPECT_TRUE(RemoveToggleShortcut(&tweak));
    EXPECT_FALSE(ToggleShortcutExists(&tweak));
    EXPECT_FALSE(RemoveToggleShortcut(&tweak));
    EXPECT_FALSE(std::filesystem::exists(host));
}

TEST_F(ToggleShortcuts, ANameWithASlashGetsAFileOfItsOwnThatIsFoundAgain) {
    CTweakBase& tweak = Tweak(kSmsTyping);
    EXPECT_EQ(Utf8(tweak.GetName()), "Speed-Up Text/SMS Typing");
    EXPECT_EQ(Utf8(ToggleShortcutPath(&tweak)),
              "\\Windows\\Start Menu\\Speed-Up Text-SMS Typing.lnk");
    ASSERT_TRUE(CreateToggleShortcut(&tweak));
    EXPECT_TRUE(ToggleShortcutExists(&tweak));
    EXPECT_TRUE(std::filesystem::is_regular_file(device_.Device().FilesRoot() / "Windows" /
                                                 "Start Menu" / "Speed-Up Text-SMS Typing.lnk"));
    EXPECT_TRUE(RemoveToggleShortcut(&tweak));
    EXPECT_FALSE(ToggleShortcutExists(&tweak));
}

class PocketPCToggleShortcuts : public ToggleShortcuts {
protected:
    PocketPCToggleShortcuts() : ToggleShortcuts(ce::Profile{.platform = "PocketPC"}) {}
};

TEST_F(PocketPCToggleShortcuts, OnAPocketPCTheyLieInThePrograms) {
    CTweakBase& tweak = Tweak(kSpeedBoost);
    EXPECT_EQ(Utf8(ToggleShortcutPath(&tweak)), "\\Windows\\Start Menu\\Programs\\Speed-Boost.lnk");
    ASSERT_TRUE(CreateToggleShortcut(&tweak));
    EXPECT_TRUE(ToggleShortcutExists(&tweak));
    // The edition's folder is the only place looked at.
    device_.SetPlatform("SmartPhone");
    EXPECT_FALSE(ToggleShortcutExists(&tweak));
}

}  // namespace
