// The read-only multi-line edit box driven by messages and keys: wrapped lines, the caret, the
// scroll bar and the selection as the screen shows them.
#include "support/WindowSupport.h"

namespace {

using ce::res::MakeControl;
using ce::screen::kAttrFocus;
using ce::screen::kAttrReverse;
using ce::screen::kAttrUnderline;

constexpr int kNotes = 505;

class EditTest : public test::ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        ce::res::Dialog dialog{
            .id = 300, .style = WS_POPUP | WS_VISIBLE, .y = 8, .cx = 160, .cy = 144};
        dialog.controls = {MakeControl(
            kNotes, u"EDIT", u"", 0, 48, 44, 32,
            ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP)};
        ASSERT_NE(CreateDialogFrom(dialog), nullptr);
    }
};

// Ten columns of text beside the scroll bar wrap this into
// "The quick " / "brown fox " / "jumps over " / "the lazy " / "dog".
constexpr const char16_t* kFox = u"The quick brown fox jumps over the lazy dog";

TEST_F(EditTest, SelectionWrappedLinesCaretAndScrollBar) {
    SetDlgItemTextW(dialog_, kNotes, kFox);
    SetFocus(Item(kNotes));
    // Rows 6 to 9: the text, and the scroll bar in column 10 with its thumb at the top.
    EXPECT_EQ(TextAt(0, 6, 11), "The quick ▲");
    EXPECT_EQ(TextAt(10, 7, 1), "█");
    EXPECT_EQ(TextAt(10, 9, 1), "▼");
    EXPECT_EQ(ce::screen::Caret(), std::make_pair(origin_.left, origin_.top + 6));

    Press({VK_RIGHT, VK_DOWN});
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(11, 11));
    Press({VK_DOWN, VK_DOWN, VK_DOWN});  // onto "dog", past the four rows shown
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(41, 41));
    EXPECT_EQ(Send(kNotes, EM_GETFIRSTVISIBLELINE), 1);
    EXPECT_EQ(TextAt(0, 9, 3), "dog");
    EXPECT_EQ(TextAt(10, 8, 1), "█");  // the thumb moved down
    EXPECT_EQ(ce::screen::Caret(), std::make_pair(origin_.left + 1, origin_.top + 9));

    Press(VK_LEFT, ce::screen::kModShift);  // Shift extends the selection back from the caret
    Press(VK_UP, ce::screen::kModShift);
    DWORD start = 0xDEADBEEF;
    DWORD end = 0xDEADBEEF;
    Send(kNotes, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 31u);
    EXPECT_EQ(end, 41u);
    // The selection alone is underlined, nothing reversed; the focus shows on the scroll bar's
    // arrows, and the thumb stays as it is (a reversed block would show as a gap).
    EXPECT_TRUE(At(0, 8).attr & kAttrUnderline);
    EXPECT_EQ(At(0, 7).attr & (kAttrUnderline | kAttrReverse | kAttrFocus), 0);
    EXPECT_EQ(At(0, 8).attr & (kAttrReverse | kAttrFocus), 0);
    EXPECT_TRUE(At(10, 6).attr & kAttrFocus);
    EXPECT_TRUE(At(10, 9).attr & kAttrFocus);
    EXPECT_EQ(TextAt(10, 8, 1), "█");
    EXPECT_EQ(At(10, 8).attr & (kAttrReverse | kAttrFocus), 0);

    // Selection and wrapped lines.
    SetDlgItemTextW(dialog_, kNotes, kFox);
    Send(kNotes, EM_SETSEL, 7, 3);  // the lower one starts the selection
    start = end = 0xDEADBEEF;
    EXPECT_EQ(
        Send(kNotes, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)),
        MAKELRESULT(3, 7));
    EXPECT_EQ(start, 3u);
    EXPECT_EQ(end, 7u);
    Send(kNotes, EM_SETSEL, 0, static_cast<LPARAM>(-1));  // everything
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(0, 43));
    Send(kNotes, EM_SETSEL, static_cast<WPARAM>(-1), 0);  // no selection, caret kept
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(43, 43));

    const std::pair<int, int> lengths[] = {{0, 10}, {9, 10}, {10, 10}, {25, 11},
                                           {31, 9}, {43, 3}, {44, 0}};
    for (const auto& [index, length] : lengths) {
        EXPECT_EQ(Send(kNotes, EM_LINELENGTH, index), length) << index;
    }

    // New text puts the caret at the start; hard breaks end lines and are not counted.
    SetDlgItemTextW(dialog_, kNotes, u"ab\r\ncd\nefg");
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(0, 0));
    EXPECT_EQ(Send(kNotes, EM_LINELENGTH, 4), 2);
    EXPECT_EQ(Send(kNotes, EM_LINELENGTH, 8), 3);
    SetFocus(Item(kNotes));
    Send(kNotes, EM_SETSEL, 2, 2);
    Press(VK_RIGHT);  // over "\r\n" in one step, both ways
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(4, 4));
    Press(VK_LEFT);
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(2, 2));
}

}  // namespace
