// The stylus: taps routed to the window under them, in order with the keys, with activation, and
// the edit box tapped and wheeled.
#include <aygshell.h>

#include "support/WindowSupport.h"

namespace {

using ce::res::MakeControl;
using ce::screen::kModShift;

constexpr UINT kProbeBox = 501;

// Ends on IDOK and IDCANCEL, which it logs.
std::vector<WORD> g_probeCommands;

INT_PTR CALLBACK ProbeBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg != WM_COMMAND) return FALSE;
    g_probeCommands.push_back(LOWORD(wParam));
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(hwnd, LOWORD(wParam));
    return TRUE;
}

class RoutingTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        g_probeCommands.clear();
        // A small modal box with the caption's OK button, at cells (20, 4) to (30, 7).
        ce::res::Table table;
        table.dialogs = {{.id = kProbeBox,
                          .style = WS_POPUP | WS_CAPTION | DS_ABSALIGN,
                          .exStyle = WS_EX_CAPTIONOKBTN,
                          .x = 80,
                          .y = 32,
                          .cx = 40,
                          .cy = 24,
                          .caption = u"Probe"}};
        ce::res::RegisterResources(Instance(), std::move(table));
        frame_ = CreateFrame();
        // A child at cells (0, 1) to (10, 2); the frame fills the work area, rows 1 to 10.
        child_ = CreateChild(frame_, 1);
        // A popup in front of the frame at cells (20, 4) to (30, 7), active.
        notes_ = CreateWindowExW(0, kClass, u"Notes", WS_POPUP | WS_VISIBLE, 80, 32, 40, 24,
                                 nullptr, nullptr, Instance(), nullptr);
        ce::screen::PumpMessages();
        test::g_messageLog.clear();
    }

    // The stylus messages of a window as (message, wParam, x, y), x and y in client pixels.
    static std::vector<std::array<LONG, 4>> StylusOf(HWND hwnd) {
        std::vector<std::array<LONG, 4>> out;
        for (const test::Logged& entry : test::g_messageLog) {
            if (entry.hwnd != hwnd) continue;
            if (entry.msg != WM_LBUTTONDOWN && entry.msg != WM_LBUTTONUP) continue;
            out.push_back({static_cast<LONG>(entry.msg), static_cast<LONG>(entry.wParam),
                           static_cast<short>(LOWORD(entry.lParam)),
                           static_cast<short>(HIWORD(entry.lParam))});
        }
        return out;
    }

    HWND frame_ = nullptr, child_ = nullptr, notes_ = nullptr;
};

TEST_F(RoutingTest, ATapReachesTheWindowDrawnUnderItAtTheCellsCentreAndActivatesItsTopLevel) {
    ASSERT_EQ(GetActiveWindow(), notes_);
    ce::screen::Tap(2, 1);  // pixels (10, 12): (10, 4) in the child, which lies at y = 8
    ce::screen::PumpMessages();
    using Entry = std::array<LONG, 4>;
    EXPECT_EQ(StylusOf(child_),
              (std::vector<Entry>{{WM_LBUTTONDOWN, MK_LBUTTON, 10, 4}, {WM_LBUTTONUP, 0, 10, 4}}));
    EXPECT_EQ(GetActiveWindow(), frame_);
    // The frame came forward before the child heard of the tap.
    using Step = std::pair<HWND, UINT>;
    EXPECT_EQ(test::Sequence({WM_ACTIVATE, WM_LBUTTONDOWN}),
              (std::vector<Step>{
                  {notes_, WM_ACTIVATE}, {frame_, WM_ACTIVATE}, {child_, WM_LBUTTONDOWN}}));

    // Brought forward again, the popup covers the frame on its cells: it takes their taps.
    SetForegroundWindow(notes_);
    test::g_messageLog.clear();
    ce::screen::Tap(29, 6);
    ce::screen::PumpMessages();
    EXPECT_EQ(StylusOf(notes_), (std::vector<Entry>{{WM_LBUTTONDOWN, MK_LBUTTON, 38, 20},
                                                    {WM_LBUTTONUP, 0, 38, 20}}));
    EXPECT_TRUE(StylusOf(frame_).empty());

    // The task bar, and the soft-key row of a window without soft keys where no window is
    // drawn, take no taps.
    test::g_messageLog.clear();
    ce::screen::Tap(2, 0);
    ce::screen::Tap(2, kRows - 1);
    ce::screen::PumpMessages();
    EXPECT_TRUE(test::Sequence({WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
    EXPECT_EQ(GetActiveWindow(), notes_);
}

TEST_F(RoutingTest, TapsAndKeysAreTakenInTheOrderTheyCame) {
    SetFocus(child_);
    ce::screen::PressKey('A');
    ce::screen::Tap(2, 1);
    ce::screen::PressKey('B');
    ce::screen::PumpMessages();
    using Step = std::pair<HWND, UINT>;
    EXPECT_EQ(test::Sequence({WM_KEYDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP}),
              (std::vector<Step>{{child_, WM_KEYDOWN},
                                 {child_, WM_LBUTTONDOWN},
                                 {child_, WM_LBUTTONUP},
                                 {child_, WM_KEYDOWN}}));
}

TEST_F(RoutingTest, DisabledWindowsAndTheOwnerOfAModalBoxIgnoreTapsButItsCaptionOkTakesThem) {
    EnableWindow(child_, FALSE);
    ce::screen::Tap(2, 1);
    ce::screen::PumpMessages();
    EXPECT_TRUE(test::Sequence({WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
    EXPECT_EQ(GetActiveWindow(), notes_);  // nothing came forward
    EnableWindow(child_, TRUE);

    // Under a modal box its owner takes no taps; the box's caption OK does ("[ok]" on the task
    // bar, then "OK" on the left of the soft-key row).
    DestroyWindow(notes_);
    std::string taskBar;
    std::string softKeys;
    test::WhenIdle({[&] {
                        taskBar = Row(0);
                        softKeys = Row(kRows - 1);
                        ce::screen::Tap(2, 1);
                        ce::screen::Tap(2, 9);
                    },
                    [] { ASSERT_TRUE(test::TapOn("[ok]")); }});
    EXPECT_EQ(DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kProbeBox), frame_, ProbeBoxProc, 0),
              IDOK);
    EXPECT_TRUE(test::Sequence({WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
    EXPECT_EQ(g_probeCommands, std::vector<WORD>{IDOK});
    EXPECT_NE(taskBar.find("[ok]"), std::string::npos) << taskBar;
    EXPECT_EQ(softKeys, " OK");

    g_probeCommands.clear();
    test::WhenIdle({[] { ce::screen::Tap(kColumns - 1, kRows - 1); },  // no right soft key
                    [] { ce::screen::Tap(3, kRows - 1); }});
    EXPECT_EQ(DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kProbeBox), frame_, ProbeBoxProc, 0),
              IDOK);
    EXPECT_EQ(g_probeCommands, std::vector<WORD>{IDOK});
    // F3 presses it as F1 does.
    test::WhenIdle({[] { ce::screen::PressKey(VK_F3); }});
    EXPECT_EQ(DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kProbeBox), frame_, ProbeBoxProc, 0),
              IDOK);
    EXPECT_EQ(ce::screen::StarvedCount(), 0);
    // The box gone, the frame takes taps again.
    ce::screen::Tap(2, 1);
    ce::screen::PumpMessages();
    EXPECT_EQ(test::MessagesOf(child_, {WM_LBUTTONDOWN}).size(), 1u);
}

enum : int { kWrap = 412, kNote = 415 };

// Ten columns beside the scroll bar wrap this into "Parcels go " / "out at " / "nine and " /
// "come in by " / "noon on " / "the next " / "day": seven lines, four shown.
constexpr const char16_t* kParcels = u"Parcels go out at nine and come in by noon on the next day";

// The test's own dialog, placed on whole cells: a "Gift wrap" box (row 3) and a note with a scroll
// bar (rows 7 to 10, columns 0 to 10).
class TappedEditTest : public test::ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        ce::res::Dialog dialog{
            .id = 410, .style = WS_POPUP | WS_VISIBLE, .y = 8, .cx = 160, .cy = 144};
        dialog.controls = {
            MakeControl(kWrap, u"BUTTON", u"Gift wrap", 0, 24, 32, 8, BS_AUTOCHECKBOX | WS_TABSTOP),
            MakeControl(kNote, u"EDIT", u"", 0, 56, 44, 32,
                        ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER | WS_TABSTOP)};
        ASSERT_NE(CreateDialogFrom(dialog), nullptr);
        SetDlgItemTextW(dialog_, kNote, kParcels);
        ce::screen::PumpMessages();
    }

    void WheelAt(int column, int row, int notches) const {
        ce::screen::Wheel(origin_.left + column, origin_.top + row, notches);
        ce::screen::PumpMessages();
    }
    LRESULT Caret() const { return Send(kNote, EM_GETSEL); }
    LRESULT FirstLine() const { return Send(kNote, EM_GETFIRSTVISIBLELINE); }
};

TEST_F(TappedEditTest, TakesTheCaretWhereTappedAndScrollsByItsArrowsAndTheWheel) {
    SetFocus(Item(kWrap));
    // The arrows scroll a line; the focus stays where it was.
    TapAt(10, 10);
    EXPECT_EQ(FirstLine(), 1);
    EXPECT_EQ(TextAt(0, 7, 7), "out at ");
    TapAt(10, 7);
    EXPECT_EQ(FirstLine(), 0);
    TapAt(10, 8);  // the track: nothing
    EXPECT_EQ(FirstLine(), 0);
    EXPECT_EQ(GetFocus(), Item(kWrap));

    // The wheel: a line a notch, no further than the last line.
    WheelAt(3, 8, -2);
    EXPECT_EQ(FirstLine(), 2);
    WheelAt(3, 8, -9);
    EXPECT_EQ(FirstLine(), 3);  // "come in by" to "day"
    WheelAt(3, 8, 1);
    EXPECT_EQ(FirstLine(), 2);
    EXPECT_EQ(GetFocus(), Item(kWrap));

    // A tap on the text takes the focus and puts the caret on the character tapped: the second
    // row shows "come in by", its "b" at 27 + 8. Past the end of a wrapped line the caret stays
    // on that line: after "nine and", on its last blank.
    TapAt(8, 8);
    EXPECT_EQ(GetFocus(), Item(kNote));
    EXPECT_EQ(Caret(), MAKELRESULT(35, 35));
    EXPECT_EQ(ce::screen::Caret(), std::make_pair(origin_.left + 8, origin_.top + 8));
    TapAt(9, 7);
    EXPECT_EQ(Caret(), MAKELRESULT(26, 26));
    EXPECT_EQ(ce::screen::Caret(), std::make_pair(origin_.left + 8, origin_.top + 7));
    // Nothing selected: a selection made with the keys is dropped by a tap.
    ce::screen::PressKey(VK_RIGHT, kModShift);
    ce::screen::PumpMessages();
    TapAt(0, 9);
    EXPECT_EQ(Caret(), MAKELRESULT(38, 38));

    // A disabled box takes neither taps nor the wheel.
    EnableWindow(Item(kNote), FALSE);
    TapAt(10, 10);
    WheelAt(3, 8, -1);
    EXPECT_EQ(FirstLine(), 2);
}

}  // namespace
