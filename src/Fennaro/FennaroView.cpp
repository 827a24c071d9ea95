#include "FennaroView.h"

#include <algorithm>

#include "BatchOperations.h"
#include "InstallRole.h"

namespace {

constexpr UINT_PTR kFocusTimer = 123;
constexpr UINT kFocusDelayMs = 100;
constexpr int kDropRows = 10;
constexpr int kMaxDropRows = 7;
// Pixels between a widened control and the screen's right edge.
constexpr int kRightMargin = 3;

const WCHAR kNotSupported[] = u"This tweak is not supported on this device";

// The categories in the order they are added (the sorted picker shows them alphabetically).
const struct {
    LPCWSTR name;
    int number;
} kCategories[] = {
    {u"Internet", kCategoryInternet},
    {u"System", kCategorySystem},
    {u"Telephony", kCategoryTelephony},
    {u"Sound", kCategorySound},
    {u"Essential Utilities", kCategoryEssentialUtilities},
};

// The description box's own window procedure (there is one view per process).
WNDPROC g_pfnDescriptionProc = nullptr;

void SetCheck(HWND box, bool checked) {
    SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

CFennaroView::CFennaroView() {
    WriteInstallRole();
    m_factory.DoBackupIfNeeded();
    for (CTweakBase* tweak : m_factory.GetAllTweaks()) m_items.push_back(new CTweakViewItem(tweak));
}

CFennaroView::~CFennaroView() {
    if (m_nFocusTimer != 0 && m_hWnd != nullptr) KillTimer(m_nFocusTimer);
    for (CTweakViewItem* item : m_items) delete item;
    m_items.clear();
}

bool CFennaroView::ApplyAll() { return ApplyAllItems(m_hWnd, m_items); }

void CFennaroView::RestoreAll() {
    RestoreAllItems(m_hWnd, m_items);
    FillTweaks();
}

LRESULT CFennaroView::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    m_hCategory = GetDlgItem(IDC_CATEGORY);
    m_hTweak = GetDlgItem(IDC_TWEAK);
    m_hEnable = GetDlgItem(IDC_ENABLE);
    m_hShortcut = GetDlgItem(IDC_SHORTCUT);
    m_hDescription = GetDlgItem(IDC_DESCRIPTION);
    g_pfnDescriptionProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        m_hDescription, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DescriptionKeyFilter)));
    WidenToScreen(m_hCategory);
    WidenToScreen(m_hTweak);
    WidenToScreen(m_hDescription);
    FillCategories();
    StartFocusTimer(m_hCategory);
    // The focus timer places the focus.
    return FALSE;
}

void CFennaroView::WidenToScreen(HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    POINT corner{rect.left, rect.top};
    ScreenToClient(&corner);
    const int width = GetSystemMetrics(SM_CXSCREEN) - kRightMargin - corner.x;
    ::MoveWindow(control, corner.x, corner.y, width, rect.bottom - rect.top, TRUE);
}

void CFennaroView::FillCategories() {
    for (const auto& category : kCategories) {
        const LRESULT index =
            SendMessageW(m_hCategory, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(category.name));
        SendMessageW(m_hCategory, CB_SETITEMDATA, static_cast<WPARAM>(index), category.number);
    }
    SendMessageW(m_hCategory, CB_SETCURSEL, 0, 0);
    SetDropHeight(m_hCategory, kDropRows);
    FillTweaks();
}

void CFennaroView::FillTweaks() {
    const LRESULT selected = SendMessageW(m_hCategory, CB_GETCURSEL, 0, 0);
    const LRESULT category =
        SendMessageW(m_hCategory, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    SendMessageW(m_hTweak, CB_RESETCONTENT, 0, 0);
    for (CTweakViewItem* item : m_items) {
        if (item->GetCategory() != category) continue;
        const CWideString name = item->GetName();
        const LRESULT index =
            SendMessageW(m_hTweak, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.GetString()));
        SendMessageW(m_hTweak, CB_SETITEMDATA, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(item));
    }
    if (SendMessageW(m_hTweak, CB_GETCOUNT, 0, 0) > 0) SendMessageW(m_hTweak, CB_SETCURSEL, 0, 0);
    ShowTweak();
    SetDropHeight(m_hTweak, kDropRows);
    StartFocusTimer(m_hTweak);
}

CTweakViewItem* CFennaroView::SelectedItem() {
    const LRESULT selected = SendMessageW(m_hTweak, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return nullptr;
    const LRESULT data = SendMessageW(m_hTweak, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    return data == CB_ERR ? nullptr : reinterpret_cast<CTweakViewItem*>(data);
}

void CFennaroView::ShowTweak() {
    SetCheck(m_hEnable, false);
    ::EnableWindow(m_hEnable, FALSE);
    SetCheck(m_hShortcut, false);
    ::EnableWindow(m_hShortcut, FALSE);
    ::SetWindowTextW(m_hDescription, u"");
    ::EnableWindow(m_hDescription, FALSE);

    CTweakViewItem* item = SelectedItem();
    if (item == nullptr) return;
    if (!item->IsSupported()) {
        ::SetWindowTextW(m_hDescription, kNotSupported);
        return;
    }
    if (item->SupportsToggleShortcut()) {
        ::EnableWindow(m_hShortcut, TRUE);
        SetCheck(m_hShortcut, item->GetPendingShortcut());
        if (item->HasConfiguration()) ::EnableWindow(m_hShortcut, FALSE);
    }
    if (item->HasEnableOption()) {
        ::EnableWindow(m_hEnable, TRUE);
        SetCheck(m_hEnable, item->GetPendingEnable());
    }
    ::EnableWindow(m_hDescription, TRUE);
    ::SetWindowTextW(m_hDescription, item->GetDescription());
}

LRESULT CFennaroView::OnEnableClick(WORD, WORD, HWND, BOOL&) {
    CTweakViewItem* item = SelectedItem();
    if (item == nullptr) return 0;
    const bool ticked = SendMessageW(m_hEnable, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (ticked && item->HasConfiguration()) {
        if (item->Configure()) {
            item->SetPendingEnable(true);
        } else {
            item->SetPendingEnable(false);
            SetCheck(m_hEnable, false);
        }
        return 0;
    }
    item->SetPendingEnable(ticked);
    return 0;
}

LRESULT CFennaroView::OnShortcutClick(WORD, WORD, HWND, BOOL&) {
    if (CTweakViewItem* item = SelectedItem()) {
        item->SetPendingShortcut(SendMessageW(m_hShortcut, BM_GETCHECK, 0, 0) == BST_CHECKED);
    }
    return 0;
}

LRESULT CFennaroView::OnCategoryChange(WORD, WORD, HWND, BOOL&) {
    FillTweaks();
    StartFocusTimer(m_hCategory);
    return 0;
}

LRESULT CFennaroView::OnTweakChange(WORD, WORD, HWND, BOOL&) {
    ShowTweak();
    StartFocusTimer(m_hTweak);
    return 0;
}

void CFennaroView::StartFocusTimer(HWND target) {
    m_hFocusTarget = target;
    m_nFocusTimer = SetTimer(kFocusTimer, kFocusDelayMs);
}

LRESULT CFennaroView::OnTimer(UINT, WPARAM, LPARAM, BOOL&) {
    KillTimer(m_nFocusTimer);
    m_nFocusTimer = 0;
    ::SetFocus(m_hFocusTarget);
    return 0;
}

void CFennaroView::SetDropHeight(HWND picker, int rows) {
    rows = std::clamp(rows, 1, kMaxDropRows);
    RECT rect{};
    ::GetWindowRect(picker, &rect);
    const LRESULT fieldHeight = SendMessageW(picker, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    ::SetWindowPos(picker, nullptr, 0, 0, rect.right - rect.left,
                   static_cast<int>(rect.bottom - rect.top + rows * fieldHeight),
                   SWP_NOMOVE | SWP_NOZORDER);
}

LRESULT CALLBACK CFennaroView::DescriptionKeyFilter(HWND hwnd, UINT message, WPARAM wParam,
                                                    LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_UP) {
        DWORD selectionEnd = 0;
        SendMessageW(hwnd, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&selectionEnd));
        const LRESULT firstLine = SendMessageW(hwnd, EM_LINELENGTH, 0, 0);
        if (static_cast<LRESULT>(selectionEnd) < firstLine) {
            ::SetFocus(::GetDlgItem(::GetParent(hwnd), IDC_SHORTCUT));
            // The box must not move its caret for this key.
            wParam = 0;
        }
    }
    return CallWindowProcW(g_pfnDescriptionProc, hwnd, message, wParam, lParam);
}
