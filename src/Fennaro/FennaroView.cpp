#include "FennaroView.h"

#include <ProductLayout/Categories.h>

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

// The description box's own window procedure (there is one view per process).
WNDPROC g_descriptionProc = nullptr;

void SetCheck(HWND box, bool checked) {
    SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

CFennaroView::CFennaroView() {
    WriteInstallRole();
    m_factory.DoBackupIfNeeded();
    for (CTweakBase* tweak : m_factory.GetAllTweaks()) {
        m_items.push_back(std::make_unique<CTweakViewItem>(tweak));
    }
}

CFennaroView::~CFennaroView() {
    if (m_focusTimer != 0 && m_hWnd != nullptr) KillTimer(m_focusTimer);
}

CTweakViewItemList CFennaroView::Items() const {
    CTweakViewItemList items;
    for (const std::unique_ptr<CTweakViewItem>& item : m_items) items.push_back(item.get());
    return items;
}

bool CFennaroView::ApplyAll() { return ApplyAllItems(m_hWnd, Items()); }

void CFennaroView::RestoreAll() {
    RestoreAllItems(m_hWnd, Items());
    FillTweaks();
}

LRESULT CFennaroView::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    m_categoryPicker = GetDlgItem(IDC_CATEGORY);
    m_tweakPicker = GetDlgItem(IDC_TWEAK);
    m_enableBox = GetDlgItem(IDC_ENABLE);
    m_shortcutBox = GetDlgItem(IDC_SHORTCUT);
    m_descriptionBox = GetDlgItem(IDC_DESCRIPTION);
    g_descriptionProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        m_descriptionBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DescriptionKeyFilter)));
    WidenToScreen(m_categoryPicker);
    WidenToScreen(m_tweakPicker);
    WidenToScreen(m_descriptionBox);
    FillCategories();
    StartFocusTimer(m_categoryPicker);
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
    // In the order of their numbers; the sorted picker shows them alphabetically.
    for (int category = 1; category <= kCategoryCount; ++category) {
        const LRESULT index = SendMessageW(m_categoryPicker, CB_ADDSTRING, 0,
                                           reinterpret_cast<LPARAM>(CategoryName(category)));
        SendMessageW(m_categoryPicker, CB_SETITEMDATA, static_cast<WPARAM>(index), category);
    }
    SendMessageW(m_categoryPicker, CB_SETCURSEL, 0, 0);
    SetDropHeight(m_categoryPicker, kDropRows);
    FillTweaks();
}

void CFennaroView::FillTweaks() {
    const LRESULT selected = SendMessageW(m_categoryPicker, CB_GETCURSEL, 0, 0);
    const LRESULT category =
        SendMessageW(m_categoryPicker, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    SendMessageW(m_tweakPicker, CB_RESETCONTENT, 0, 0);
    for (const std::unique_ptr<CTweakViewItem>& owned : m_items) {
        CTweakViewItem* item = owned.get();
        if (item->GetCategory() != category) continue;
        const CWideString name = item->GetName();
        const LRESULT index = SendMessageW(m_tweakPicker, CB_ADDSTRING, 0,
                                           reinterpret_cast<LPARAM>(name.GetString()));
        SendMessageW(m_tweakPicker, CB_SETITEMDATA, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(item));
    }
    if (SendMessageW(m_tweakPicker, CB_GETCOUNT, 0, 0) > 0)
        SendMessageW(m_tweakPicker, CB_SETCURSEL, 0, 0);
    ShowTweak();
    SetDropHeight(m_tweakPicker, kDropRows);
    StartFocusTimer(m_tweakPicker);
}

CTweakViewItem* CFennaroView::SelectedItem() {
    const LRESULT selected = SendMessageW(m_tweakPicker, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return nullptr;
    const LRESULT data =
        SendMessageW(m_tweakPicker, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    return data == CB_ERR ? nullptr : reinterpret_cast<CTweakViewItem*>(data);
}

void CFennaroView::ShowTweak() {
    SetCheck(m_enableBox, false);
    ::EnableWindow(m_enableBox, FALSE);
    SetCheck(m_shortcutBox, false);
    ::EnableWindow(m_shortcutBox, FALSE);
    ::SetWindowTextW(m_descriptionBox, u"");
    ::EnableWindow(m_descriptionBox, FALSE);

    CTweakViewItem* item = SelectedItem();
    if (item == nullptr) return;
    if (!item->IsSupported()) {
        ::SetWindowTextW(m_descriptionBox, kNotSupported);
        return;
    }
    if (item->SupportsToggleShortcut()) {
        ::EnableWindow(m_shortcutBox, TRUE);
        SetCheck(m_shortcutBox, item->GetPendingShortcut());
        if (item->HasConfiguration()) ::EnableWindow(m_shortcutBox, FALSE);
    }
    if (item->HasEnableOption()) {
        ::EnableWindow(m_enableBox, TRUE);
        SetCheck(m_enableBox, item->GetPendingEnable());
    }
    ::EnableWindow(m_descriptionBox, TRUE);
    ::SetWindowTextW(m_descriptionBox, item->GetDescription());
}

LRESULT CFennaroView::OnEnableClick(WORD, WORD, HWND, BOOL&) {
    CTweakViewItem* item = SelectedItem();
    if (item == nullptr) return 0;
    const bool ticked = SendMessageW(m_enableBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (ticked && item->HasConfiguration()) {
        if (item->Configure()) {
            item->SetPendingEnable(true);
        } else {
            item->SetPendingEnable(false);
            SetCheck(m_enableBox, false);
        }
        return 0;
    }
    item->SetPendingEnable(ticked);
    return 0;
}

LRESULT CFennaroView::OnShortcutClick(WORD, WORD, HWND, BOOL&) {
    if (CTweakViewItem* item = SelectedItem()) {
        item->SetPendingShortcut(SendMessageW(m_shortcutBox, BM_GETCHECK, 0, 0) == BST_CHECKED);
    }
    return 0;
}

LRESULT CFennaroView::OnCategoryChange(WORD, WORD, HWND, BOOL&) {
    FillTweaks();
    StartFocusTimer(m_categoryPicker);
    return 0;
}

LRESULT CFennaroView::OnTweakChange(WORD, WORD, HWND, BOOL&) {
    ShowTweak();
    StartFocusTimer(m_tweakPicker);
    return 0;
}

void CFennaroView::StartFocusTimer(HWND target) {
    m_focusTarget = target;
    m_focusTimer = SetTimer(kFocusTimer, kFocusDelayMs);
}

LRESULT CFennaroView::OnTimer(UINT, WPARAM, LPARAM, BOOL&) {
    KillTimer(m_focusTimer);
    m_focusTimer = 0;
    ::SetFocus(m_focusTarget);
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
    return CallWindowProcW(g_descriptionProc, hwnd, message, wParam, lParam);
}
