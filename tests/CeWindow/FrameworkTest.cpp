// The application framework: message maps, the frame and the loop, objects bound to and released
// from their windows, dialogs, message filters, idle handlers and centring.
#include <CeFramework/App.h>
#include <CeFramework/Dialog.h>
#include <CeFramework/WindowImpl.h>

#include <string>
#include <vector>

#include "support/WindowSupport.h"

namespace {

constexpr UINT kDialogId = 300;
constexpr UINT kMissingDialogId = 301;
constexpr UINT kTitleId = 310;
constexpr UINT kAsk = WM_APP + 1;

using Strings = std::vector<std::string>;

Strings g_trace;
LRESULT Log(const std::string& what) {
    g_trace.push_back(what);
    return 0;
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

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&) { return Log(m_hWnd ? "bound" : "unbound"); }
    LRESULT OnAskPassing(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        bHandled = FALSE;
        Log("passing");
        return 1;
    }
    LRESULT OnAsk(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
        bHandled = wParam != 0;  // 0: leave it to the default procedure
        Log("ask");
        return 42;
    }
    LRESULT OnCommand(WORD code, WORD id, HWND control, BOOL&) {
        return Log("command " + std::to_string(id) + "/" + std::to_string(code) +
                   (control ? " control" : ""));
    }
    void OnFinalMessage(HWND hWnd) override { Log(hWnd && !m_hWnd ? "final" : "final bound"); }
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
        Log("init " + std::to_string(lParam));
        return TRUE;
    }
    LRESULT OnAsk(UINT, WPARAM, LPARAM, BOOL&) { return 42; }
    LRESULT OnEnd(WORD, WORD id, HWND, BOOL&) {
        EndDialog(id == IDOK ? 17 : id);
        return 0;
    }
    void OnFinalMessage(HWND) override { Log("dialog final"); }
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
        return Log(m_hWnd ? "destroyed with a handle" : "destroyed");
    }
    void OnFinalMessage(HWND) override {
        Log("final");
        delete this;
    }
};

class CMissingDialog : public CDialogImpl<CMissingDialog> {
public:
    enum { IDD = kMissingDialogId };
    BEGIN_MSG_MAP(CMissingDialog)
    END_MSG_MAP()
};

// Logs WM_APP + 5 and takes the message `takes`.
struct Filter : CMessageFilter {
    Filter(std::string name, UINT takes) : name(std::move(name)), takes(takes) {}
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == WM_APP + 5) Log(name);
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

class FrameworkTest : public test::HeadlessTest<25> {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        g_trace.clear();
        ce::res::Table table;
        table.strings = {{kTitleId, u"Framework Title"}};
        table.dialogs = {{.id = kDialogId, .style = WS_POPUP | WS_CAPTION, .cx = 80, .cy = 40}};
        ce::res::RegisterResources(Instance(), std::move(table));
        module_.Init(Instance());
    }
    void TearDown() override { module_.Term(); }

    CAppModule module_;
};

TEST_F(FrameworkTest, FrameMessageMapLoopAndLifetime) {
    CMessageLoop loop;
    ASSERT_TRUE(module_.AddMessageLoop(&loop));
    EXPECT_EQ(&loop, module_.GetMessageLoop());

    CTestFrame frame;
    ASSERT_NE(nullptr, frame.CreateEx());
    EXPECT_EQ(frame.m_hWnd, FindWindowW(u"FwTestFrame", u"Framework Title"));
    // A handler that passes lets the next one have the message; the last answer counts, or the
    // default procedure's when no handler takes it.
    EXPECT_EQ(42, frame.SendMessage(kAsk, 1));
    EXPECT_EQ(0, frame.SendMessage(kAsk, 0));
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(8, 4), 0);  // not the code it waits for
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(8, 3), reinterpret_cast<LPARAM>(frame.m_hWnd));
    EXPECT_EQ((Strings{"bound", "passing", "ask", "passing", "ask", "command 8/3 control"}),
              g_trace);

    // The client window is laid over the client area when the frame changes size.
    CTestFrame client;
    const RECT small{0, 0, 8, 8};
    ASSERT_NE(nullptr, client.Create(frame, &small, nullptr, WS_CHILD | WS_VISIBLE));
    frame.m_hWndClient = client;
    frame.MoveWindow(0, 8, 80, 64);
    EXPECT_EQ((std::array<LONG, 4>{0, 8, 80, 72}), test::RectOf(client));

    // The loop offers each message to the filters, the last added first, until one takes it, and
    // runs the idle handlers when it runs dry. Destroying the frame ends it with 1; both objects
    // are released from their windows.
    Filter first("first", 0), last("last", WM_APP + 6);
    EXPECT_TRUE(loop.AddMessageFilter(&first));
    EXPECT_TRUE(loop.AddMessageFilter(&last));
    EXPECT_FALSE(loop.AddMessageFilter(&last));  // once only
    Idle idle;
    idle.target = frame;
    idle.post = {WM_APP + 5, WM_APP + 6, WM_CLOSE};
    EXPECT_TRUE(loop.AddIdleHandler(&idle));
    g_trace.clear();
    EXPECT_EQ(1, loop.Run());
    EXPECT_EQ(nullptr, frame.m_hWnd);
    EXPECT_EQ(nullptr, client.m_hWnd);
    EXPECT_EQ((Strings{"last", "first", "final", "final"}), g_trace);
    EXPECT_EQ(1, idle.calls);  // the loop never became idle again
    EXPECT_TRUE(loop.RemoveMessageFilter(&first));
    EXPECT_FALSE(loop.RemoveMessageFilter(&first));
    EXPECT_TRUE(module_.RemoveMessageLoop());
    EXPECT_EQ(nullptr, module_.GetMessageLoop());
}

TEST_F(FrameworkTest, ModalAndModelessDialogsAndCentringInTheWorkArea) {
    // The modal dialog ends with its handler's value (IDOK from Enter) and is released.
    ce::screen::PressKey(VK_RETURN);
    CTestDialog modal;
    EXPECT_EQ(17, modal.DoModal(nullptr, 6));
    EXPECT_EQ(nullptr, modal.m_hWnd);

    // A missing template: -1, and the failed attempt binds nothing that comes after it.
    CMissingDialog missing;
    EXPECT_EQ(-1, missing.DoModal(nullptr));
    CTestFrame frame;
    ASSERT_NE(nullptr, frame.CreateEx());
    EXPECT_EQ(nullptr, missing.m_hWnd);

    // Modeless: its results come back through DWLP_MSGRESULT.
    CTestDialog modeless;
    ASSERT_NE(nullptr, modeless.Create(frame, 9));
    EXPECT_EQ(42, modeless.SendMessage(kAsk));
    EXPECT_TRUE(modeless.DestroyWindow());
    EXPECT_EQ((Strings{"init 6", "dialog final", "bound", "init 9", "dialog final"}), g_trace);

    // One that destroys its window in its own handler is deleted only once that has returned.
    g_trace.clear();
    const HWND selfDeleting = (new CSelfDeletingDialog)->Create(frame);
    ASSERT_NE(nullptr, selfDeleting);
    SendMessageW(selfDeleting, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(selfDeleting));
    EXPECT_EQ((Strings{"destroyed", "final"}), g_trace);

    // CenterWindow keeps the window in the work area.
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    CTestFrame popup;
    const RECT start{0, 0, 40, 16};
    ASSERT_NE(nullptr, popup.Create(nullptr, &start, u"p", WS_POPUP));
    ASSERT_TRUE(popup.CenterWindow());
    const LONG x = (work.left + work.right) / 2 - 20;
    const LONG y = (work.top + work.bottom) / 2 - 8;
    EXPECT_EQ((std::array<LONG, 4>{x, y, x + 40, y + 16}), test::RectOf(popup));

    // Bigger than the work area: its top left corner stays inside.
    popup.MoveWindow(0, 0, work.right * 2, work.bottom * 2);
    ASSERT_TRUE(popup.CenterWindow());
    EXPECT_EQ(work.left, test::RectOf(popup)[0]);
    EXPECT_EQ(work.top, test::RectOf(popup)[1]);
    popup.DestroyWindow();
}

}  // namespace
