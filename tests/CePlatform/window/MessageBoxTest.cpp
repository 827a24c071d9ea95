// Message boxes: the headless line and default answer, and the keys of a shown box.
#include "CePlatform/window/CoreSupport.h"

namespace {

class MessageBoxTest : public test::WindowTest {};

TEST_F(MessageBoxTest, HeadlessBoxesWriteOneLineAndAnswerTheirDefaultButton) {
    EXPECT_EQ(IDOK,
              MessageBoxW(nullptr, u"Error 2002 while applying tweak Alarm.", u"Error", MB_OK));
    EXPECT_EQ(IDYES, MessageBoxW(nullptr, u"Are you sure?", u"Confirmation", MB_YESNO));
    EXPECT_EQ(IDNO, MessageBoxW(nullptr, u"Restart now?", u"Restart", MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"Line one\r\nline two", nullptr, MB_OK));
    EXPECT_EQ((std::vector<std::string>{"Error: Error 2002 while applying tweak Alarm.",
                                        "Confirmation: Are you sure?", "Restart: Restart now?",
                                        "Error: Line one line two"}),
              lines_);
}

TEST_F(MessageBoxTest, AHookAnswersForTheUser) {
    const HWND frame = CreateFrame();
    HWND owner = nullptr;
    std::u16string seen;
    ce::screen::SetMessageBoxHook(
        [&](HWND hwnd, std::u16string_view caption, std::u16string_view text, UINT type) {
            owner = hwnd;
            seen = std::u16string(caption) + u"|" + std::u16string(text);
            return type == MB_YESNO ? IDNO : 0;
        });
    EXPECT_EQ(IDNO, MessageBoxW(frame, u"Sure?", u"Confirmation", MB_YESNO));
    EXPECT_EQ(frame, owner);
    EXPECT_EQ(u"Confirmation|Sure?", seen);
}

TEST_F(MessageBoxTest, AShownBoxIsAnsweredByItsKeysAndBlocksItsOwner) {
    const HWND frame = CreateFrame();
    ce::screen::SetMessageBoxHook([](HWND, std::u16string_view, std::u16string_view, UINT) {
        return 0;  // show it
    });
    bool ownerEnabled = true;
    std::string buttons;
    ce::screen::SetStarvedHook([&] {
        ownerEnabled = IsWindowEnabled(frame);
        for (int row = 0; row < kRows; ++row) {
            const std::string text = ce::screen::RowUtf8(row);
            if (text.find("[ Yes ]") != std::string::npos) buttons = text;
        }
        ce::screen::PressKey(VK_ESCAPE);  // no cancel button: ignored
        ce::screen::PressKey(VK_F2);      // the second button
        return true;
    });
    EXPECT_EQ(IDNO, MessageBoxW(frame, u"Restore all tweaks?", u"Confirmation", MB_YESNO));
    EXPECT_FALSE(ownerEnabled);
    EXPECT_NE(std::string::npos, buttons.find("[ No ]"));
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_EQ(frame, GetActiveWindow());

    // Arrows move between the buttons, Enter presses the one in focus; Escape on an OK box is OK.
    ce::screen::SetStarvedHook([] {
        ce::screen::PressKey(VK_RIGHT);
        ce::screen::PressKey(VK_RETURN);
        return true;
    });
    EXPECT_EQ(IDNO, MessageBoxW(frame, u"x", u"y", MB_YESNO));
    ce::screen::SetStarvedHook([] {
        ce::screen::PressKey(VK_ESCAPE);
        return true;
    });
    EXPECT_EQ(IDOK, MessageBoxW(frame, u"x", u"y", MB_OK));
    EXPECT_EQ(IDCANCEL, MessageBoxW(frame, u"x", u"y", MB_OKCANCEL));
}

TEST_F(MessageBoxTest, UnknownButtonsAndBadOwnersFail) {
    SetLastError(0);
    EXPECT_EQ(0, MessageBoxW(nullptr, u"x", u"y", 0xE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    const HWND dead = CreateFrame();
    DestroyWindow(dead);
    EXPECT_EQ(0, MessageBoxW(dead, u"x", u"y", MB_OK));
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, nullptr, nullptr, MB_OK));
}

}  // namespace
