// The application framework over the window system: message maps and their fall-through, the
// frame's end of the loop, objects bound to and released from their windows, modal and modeless
// dialogs, message filters and idle handlers, and centring.
#include <CeFramework/App.h>
#include <CeFramework/Dialog.h>
#include <CeFramework/WindowImpl.h>
#include <CePlatform/Resources.h>
#include <CePlatform/Screen.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDevice.h"

namespace {

constexpr UINT kDialogId = 300;
constexpr UINT kMissingDialogId = 301;
constexpr UINT kTitleId = 310;
constexpr UINT kAsk = WM_APP + 1;

std::vector<std::string>& Trace() {
    static std::vector<std::string> trace;
    return trace;
}

class CTestFrame : public CFrameWindowImpl<CTestFrame> {
public:
    DECLARE_FRAME_WND_CLASS(u"FwTestFrame", kTitleId)

    BEGIN_MSG_MAP(CTestFrame)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(kAsk, OnAskPassing)
    MESSAGE_HANDLER(kAsk, OnAsk)
    COMMAND_HANDLER(8, 3, OnCommand)
    CHAIN_MSG_MAP(CFrameWindowImpl<CTestFrame>)
    END_MSG_MAP()

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
        Trace().push_back(m_hWnd ? "create bound" : "create unbound");
        return 0;
    }
    LRESULT OnAskPassing(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        Trace().push_back("passing");
        bHandled = FALSE;
        return 1;
    }
    LRESULT OnAsk(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
        Trace().push_back("ask");
        bHandled = wParam != 0;  // 0: leave it to the default procedure
        return 42;
    }
    LRESULT OnCommand(WORD code, WORD id, HWND control, BOOL&) {
        Trace().push_back("command " + std::to_string(id) + "/" + std::to_string(code) +
                          (control ? " control" : ""));
        return 0;
    }
    void OnFinalMessage(HWND hWnd) override {
        Trace().push_back(hWnd && !m_hWnd ? "final" : "final with a handle");
    }
};

class CTestDialog : public CDialogImpl<CTestDialog> {
public:
    enum { IDD = kDialogId };

    BEGIN_MSG_MAP(CTestDialog)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(kAsk, OnAsk)
    COMMAND_ID_HANDLER(IDOK, OnEnd)
    COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM lParam, BOOL&) {
        Trace().push_back("init " + std::to_string(lParam));
        SetDlgItemText(1, u"Set at init");
        return TRUE;
    }
    LRESULT OnAsk(UINT, WPARAM, LPARAM, BOOL&) { return 42; }
    LRESULT OnEnd(WORD, WORD id, HWND, BOOL&) {
        EndDialog(id == IDOK ? 17 : id);
        return 0;
    }
    void OnFinalMessage(HWND) override { Trace().push_back("dialog final"); }
};

// A modeless dialog left to itself: it closes on IDCANCEL and deletes itself after its last
// message.
class CSelfDeletingDialog : public CDialogImpl<CSelfDeletingDialog> {
public:
    enum { IDD = kDialogId };
    BEGIN_MSG_MAP(CSelfDeletingDialog)
    COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnCancel(WORD, WORD, HWND, BOOL&) {
        DestroyWindow();
        Trace().push_back(m_hWnd ? "destroyed with a handle" : "destroyed");
        return 0;
    }
    void OnFinalMessage(HWND) override {
        Trace().push_back("final");
        delete this;
    }
};

class CMissingDialog : public CDialogImpl<CMissingDialog> {
public:
    enum { IDD = kMissingDialogId };
    BEGIN_MSG_MAP(CMissingDialog)
    END_MSG_MAP()
};

struct Filter : CMessageFilter {
    Filter(std::string name, UINT takes) : name(std::move(name)), takes(takes) {}
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == WM_APP + 5) Trace().push_back(name);
        return pMsg->message == takes;
    }
    std::string name;
    UINT takes;
};

// Posts its messages when the loop first becomes idle.
struct Idle : CIdleHandler {
    BOOL OnIdle() override {
        if (calls++ == 0) {
            for (UINT msg : post) PostMessageW(target, msg, 0, 0);
        }
        return FALSE;
    }
    HWND target = nullptr;
    std::vector<UINT> post;
    int calls = 0;
};

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ce::screen::UseHeadlessScreen(40, 25);
        ce::screen::SetOutputSink([](const std::string&) {});
        Trace().clear();
        ce::res::Table table;
        table.strings = {{kTitleId, u"Framework Title"}};
        table.dialogs = {{.id = kDialogId,
                          .style = WS_POPUP | WS_CAPTION,
                          .cx = 80,
                          .cy = 40,
                          .caption = u"Test",
                          .controls = {{.id = 1,
                                        .className = u"STATIC",
                                        .text = u"-",
                                        .x = 4,
                                        .y = 8,
                                        .cx = 70,
                                        .cy = 8}}}};
        ce::res::RegisterResources(GetModuleHandleW(nullptr), std::move(table));
        module_.Init(GetModuleHandleW(nullptr));
    }
    void TearDown() override {
        module_.Term();
        ce::screen::SetOutputSink({});
        ce::screen::UseHeadlessScreen(40, 25);
    }

    test::TempDevice device_;
    CAppModule module_;
};

TEST_F(FrameworkTest, FrameMessageMapAndLifetime) {
    CMessageLoop loop;
    ASSERT_TRUE(module_.AddMessageLoop(&loop));
    EXPECT_FALSE(module_.AddMessageLoop(&loop));
    EXPECT_EQ(&loop, module_.GetMessageLoop());

    CTestFrame frame;
    ASSERT_NE(nullptr, frame.CreateEx());
    EXPECT_EQ(u"Framework Title", frame.GetWindowText());
    WCHAR className[32] = {};
    GetClassNameW(frame, className, 32);
    EXPECT_EQ(std::u16string(u"FwTestFrame"), className);
    EXPECT_EQ(std::vector<std::string>{"create bound"}, Trace());

    // A handler that passes lets the next one have the message; the last answer counts, or the
    // default procedure's when no handler takes it.
    Trace().clear();
    EXPECT_EQ(42, frame.SendMessage(kAsk, 1));
    EXPECT_EQ(0, frame.SendMessage(kAsk, 0));
    EXPECT_EQ((std::vector<std::string>{"passing", "ask", "passing", "ask"}), Trace());

    Trace().clear();
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(8, 4), 0);  // not the code it waits for
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(8, 3), reinterpret_cast<LPARAM>(frame.m_hWnd));
    EXPECT_EQ((std::vector<std::string>{"command 8/3 control"}), Trace());

    // The client window is laid over the client area when the frame changes size.
    CTestFrame client;
    const RECT small{0, 0, 8, 8};
    ASSERT_NE(nullptr, client.Create(frame, &small, nullptr, WS_CHILD | WS_VISIBLE));
    frame.m_hWndClient = client;
    frame.MoveWindow(0, 8, 80, 64);
    RECT rect{-1, -1, -1, -1};
    client.GetClientRect(&rect);
    EXPECT_EQ(80, rect.right);
    EXPECT_EQ(64, rect.bottom);

    // Destroying the frame ends the loop with 1; both objects are released from their windows.
    Trace().clear();
    frame.PostMessage(WM_CLOSE);
    EXPECT_EQ(1, loop.Run());
    EXPECT_EQ(nullptr, frame.m_hWnd);
    EXPECT_EQ(nullptr, client.m_hWnd);
    EXPECT_EQ((std::vector<std::string>{"final", "final"}), Trace());
    EXPECT_TRUE(module_.RemoveMessageLoop());
    EXPECT_EQ(nullptr, module_.GetMessageLoop());
}

TEST_F(FrameworkTest, ModalAndModelessDialogs) {
    // Escape ends the modal dialog through its own loop; Enter (IDOK) with the handler's value.
    ce::screen::PressKey(VK_ESCAPE);
    CTestDialog modal;
    EXPECT_EQ(IDCANCEL, modal.DoModal(nullptr, 5));
    ce::screen::PressKey(VK_RETURN);
    EXPECT_EQ(17, modal.DoModal(nullptr, 6));
    EXPECT_EQ(nullptr, modal.m_hWnd);
    EXPECT_EQ((std::vector<std::string>{"init 5", "dialog final", "init 6", "dialog final"}),
              Trace());

    // A missing template: -1, and the failed attempt binds nothing that comes after it.
    CMissingDialog missing;
    EXPECT_EQ(-1, missing.DoModal(nullptr));
    CTestFrame frame;
    ASSERT_NE(nullptr, frame.CreateEx());
    EXPECT_EQ(nullptr, missing.m_hWnd);

    // Modeless: its results come back through DWLP_MSGRESULT; a filter gives it its keys.
    Trace().clear();
    CTestDialog modeless;
    ASSERT_NE(nullptr, modeless.Create(frame, 9));
    EXPECT_EQ(u"Set at init", CWindow(modeless.GetDlgItem(1)).GetWindowText());
    EXPECT_EQ(42, modeless.SendMessage(kAsk));
    EXPECT_TRUE(modeless.DestroyWindow());
    EXPECT_EQ((std::vector<std::string>{"init 9", "dialog final"}), Trace());

    // One that destroys its window in its own handler is deleted only once that has returned.
    Trace().clear();
    const HWND selfDeleting = (new CSelfDeletingDialog)->Create(frame);
    ASSERT_NE(nullptr, selfDeleting);
    SendMessageW(selfDeleting, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(selfDeleting));
    EXPECT_EQ((std::vector<std::string>{"destroyed", "final"}), Trace());
}

TEST_F(FrameworkTest, LoopOffersMessagesToFiltersAndRunsIdleHandlers) {
    CMessageLoop loop;
    Filter first("first", 0), last("last", WM_APP + 6);
    Idle idle;
    EXPECT_TRUE(loop.AddMessageFilter(&first));
    EXPECT_TRUE(loop.AddMessageFilter(&last));
    EXPECT_FALSE(loop.AddMessageFilter(&last));
    EXPECT_TRUE(loop.AddIdleHandler(&idle));

    CTestFrame frame;
    ASSERT_NE(nullptr, frame.CreateEx());
    Trace().clear();
    idle.target = frame;
    // WM_APP + 6 is taken by a filter: the frame never sees it.
    idle.post = {WM_APP + 5, WM_APP + 6, WM_CLOSE};
    EXPECT_EQ(1, loop.Run());
    EXPECT_EQ((std::vector<std::string>{"last", "first", "final"}), Trace());
    EXPECT_EQ(1, idle.calls);  // the loop never became idle again

    EXPECT_TRUE(loop.RemoveMessageFilter(&first));
    EXPECT_FALSE(loop.RemoveMessageFilter(&first));
    EXPECT_TRUE(loop.RemoveIdleHandler(&idle));
}

TEST_F(FrameworkTest, CenterWindowKeepsTheWindowInTheWorkArea) {
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    CTestFrame popup;
    const RECT start{0, 0, 40, 16};
    ASSERT_NE(nullptr, popup.Create(nullptr, &start, u"p", WS_POPUP));
    ASSERT_TRUE(popup.CenterWindow());
    RECT rect{};
    popup.GetWindowRect(&rect);
    EXPECT_EQ((work.left + work.right) / 2 - 20, rect.left);
    EXPECT_EQ((work.top + work.bottom) / 2 - 8, rect.top);
    EXPECT_EQ(40, rect.right - rect.left);

    // Bigger than the work area: its top left corner stays inside.
    popup.MoveWindow(0, 0, work.right * 2, work.bottom * 2);
    ASSERT_TRUE(popup.CenterWindow());
    popup.GetWindowRect(&rect);
    EXPECT_EQ(work.left, rect.left);
    EXPECT_EQ(work.top, rect.top);
    popup.DestroyWindow();
}

}  // namespace
