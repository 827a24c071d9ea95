// The shell's soft-key bar (SHCreateMenuBar, and a message box's own): a top-level window on the
// bottom row of the screen, owned by the window it serves and drawn while that window is active,
// with the menu resource's first item as the left soft key (F1 or F3, or a tap on the row's left
// half) and its second as the right one (F2 or F4, or a tap on its right half). A soft key with a
// popup opens it above the bar; the popup and its nested popups take every key and tap while
// open: Up and Down move, Enter (or Right on a popup item) chooses, Left and Escape close a
// level, the digits 1 to 9 choose the numbered item, the soft keys close the whole menu; a tap
// on an item chooses it, a tap anywhere else closes the whole menu. A chosen command reaches the
// owner as WM_COMMAND(id, 0), after the menu has closed.
#include <aygshell.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ControlText.h"
#include "Window.h"

namespace ce::win {

namespace {

constexpr char16_t kSubmenuMark = u'\u25B8';

// An item without text, id and popup is a separator: drawn as a line, never chosen.
bool IsSeparator(const res::MenuItem& item) {
    return item.text.empty() && item.id == 0 && item.popup.empty();
}

// One open popup: its items, the highlighted one and its box in screen cells (with its border).
struct Level {
    const std::vector<res::MenuItem>* items = nullptr;
    int highlight = -1;
    RECT box{};
};

struct MenuBarData : ControlData {
    HWND owner = nullptr;             // gets the commands
    HWND topLevel = nullptr;          // the top-level window whose soft keys these are
    std::vector<res::MenuItem> keys;  // the soft keys (at most two are used)
    std::vector<Level> open;          // the open popups, outermost first
    bool fromRightKey = false;        // the open menu belongs to the right soft key
    HWND savedCapture = nullptr;
};

MenuBarData* DataOf(HWND hwnd) { return GetControlDataAs<MenuBarData>(hwnd); }

// The label of a popup item: its number (1 to 9 among the items that can be chosen), its text,
// and a mark for an item that opens a nested popup.
std::u16string ItemLabel(const std::vector<res::MenuItem>& items, size_t index) {
    int number = 0;
    for (size_t i = 0; i <= index; ++i) {
        if (!IsSeparator(items[i])) ++number;
    }
    std::u16string label = number <= 9 ? std::u16string(1, static_cast<char16_t>(u'0' + number))
                                       : std::u16string(u" ");
    label += u' ';
    label += StripMnemonic(items[index].text);
    if (!items[index].popup.empty()) {
        label += u' ';
        label += kSubmenuMark;
    }
    return label;
}

int BoxWidth(const std::vector<res::MenuItem>& items) {
    size_t widest = 1;
    for (size_t i = 0; i < items.size(); ++i) widest = std::max(widest, ItemLabel(items, i).size());
    return static_cast<int>(widest) + 2;
}

int FirstChoosable(const std::vector<res::MenuItem>& items) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (!IsSeparator(items[i])) return static_cast<int>(i);
    }
    return -1;
}

// Opens `items` as a new level: above the bar for a soft key (at the left or right edge), beside
// the parent level's highlighted item for a nested popup.
void OpenLevel(HWND hwnd, MenuBarData& data, const std::vector<res::MenuItem>& items) {
    const RECT bar = WindowCells(hwnd);
    const int columns = ScreenColumns();
    const int width = std::min(BoxWidth(items), columns);
    const int height = static_cast<int>(items.size()) + 2;
    Level level{&items, FirstChoosable(items), {}};
    int left;
    int top;
    if (data.open.empty()) {
        left = data.fromRightKey ? columns - width : 0;
        top = bar.top - height;
    } else {
        const Level& parent = data.open.back();
        // Nested popups open towards the middle of the screen.
        left = data.fromRightKey ? parent.box.left - width : parent.box.right;
        top = parent.box.top + parent.highlight;  // the first item beside the parent's item
        top = std::min(top, static_cast<int>(bar.top) - height);
    }
    left = std::clamp(left, 0, std::max(0, columns - width));
    top = std::max(top, 0);
    level.box = RECT{left, top, left + width, top + height};
    data.open.push_back(level);
    Redraw(hwnd);
}

void CloseAll(HWND hwnd, MenuBarData& data) {
    if (data.open.empty()) return;
    data.open.clear();
    SetOverlay(hwnd, false);
    if (KeyCapture() == hwnd) CaptureKeys(data.savedCapture);
    if (StylusCapture() == hwnd) CaptureStylus(nullptr);
    data.savedCapture = nullptr;
    Redraw(hwnd);
}

void OpenMenu(HWND hwnd, MenuBarData& data, const std::vector<res::MenuItem>& items,
              bool fromRightKey) {
    CloseAll(hwnd, data);
    data.savedCapture = KeyCapture();
    data.fromRightKey = fromRightKey;
    OpenLevel(hwnd, data, items);
    SetOverlay(hwnd, true);
    CaptureKeys(hwnd);
    CaptureStylus(hwnd);
}

// A command reaches the owner once the menu is closed. Nothing of the bar is used after the
// send: the command may destroy the bar.
void SendCommand(HWND hwnd, MenuBarData& data, UINT id) {
    CloseAll(hwnd, data);
    const HWND owner = data.owner;
    if (IsWindow(owner)) SendMessageW(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void Choose(HWND hwnd, MenuBarData& data, int index) {
    const Level& level = data.open.back();
    if (index < 0 || index >= static_cast<int>(level.items->size())) return;
    const res::MenuItem& item = (*level.items)[index];
    if (IsSeparator(item)) return;
    data.open.back().highlight = index;
    if (!item.popup.empty()) {
        OpenLevel(hwnd, data, item.popup);
    } else {
        SendCommand(hwnd, data, item.id);
    }
}

void MoveHighlight(HWND hwnd, Level& level, int step) {
    const int count = static_cast<int>(level.items->size());
    if (count == 0) return;
    int index = level.highlight;
    for (int tries = 0; tries < count; ++tries) {
        index = ((index + step) % count + count) % count;
        if (!IsSeparator((*level.items)[index])) {
            level.highlight = index;
            Redraw(hwnd);
            return;
        }
    }
}

void PressSoftKey(HWND hwnd, MenuBarData& data, size_t key) {
    if (key >= data.keys.size() || IsSeparator(data.keys[key])) return;
    const res::MenuItem& item = data.keys[key];
    if (!item.popup.empty()) {
        OpenMenu(hwnd, data, item.popup, key == 1);
    } else {
        SendCommand(hwnd, data, item.id);
    }
}

void HandleMenuKey(HWND hwnd, MenuBarData& data, WPARAM key) {
    if (SoftKeyOf(static_cast<UINT>(key)) >= 0) {
        CloseAll(hwnd, data);
        return;
    }
    Level& level = data.open.back();
    switch (key) {
        case VK_UP:
            MoveHighlight(hwnd, level, -1);
            break;
        case VK_DOWN:
            MoveHighlight(hwnd, level, 1);
            break;
        case VK_RETURN:
            Choose(hwnd, data, level.highlight);
            break;
        case VK_RIGHT:
            if (level.highlight >= 0 && !(*level.items)[level.highlight].popup.empty()) {
                Choose(hwnd, data, level.highlight);
            }
            break;
        case VK_LEFT:
            if (data.open.size() > 1) {
                data.open.pop_back();
                Redraw(hwnd);
            }
            break;
        case VK_ESCAPE:
            if (data.open.size() > 1) {
                data.open.pop_back();
                Redraw(hwnd);
            } else {
                CloseAll(hwnd, data);
            }
            break;
        default:
            if (key >= '1' && key <= '9') {
                // The nth item that can be chosen.
                int wanted = static_cast<int>(key - '0');
                for (size_t i = 0; i < level.items->size(); ++i) {
                    if (!IsSeparator((*level.items)[i]) && --wanted == 0) {
                        Choose(hwnd, data, static_cast<int>(i));
                        break;
                    }
                }
            }
            break;
    }
}

// A tap on the bar's row presses the soft key of that half. While a menu is open, a tap on an item
// of an open level chooses it (closing the levels opened from it); anywhere else it closes the
// menu.
void OnTap(HWND hwnd, MenuBarData& data, POINT cell) {
    if (data.open.empty()) {
        PressSoftKey(hwnd, data, static_cast<size_t>(SoftKeyAt(cell.x)));
        return;
    }
    const RECT bar = WindowCells(hwnd);
    const POINT at{bar.left + cell.x, bar.top + cell.y};
    for (size_t depth = data.open.size(); depth-- > 0;) {
        const RECT box = data.open[depth].box;
        if (at.x < box.left || at.x >= box.right || at.y < box.top || at.y >= box.bottom) continue;
        const std::vector<res::MenuItem>& items = *data.open[depth].items;
        const int item = at.y - box.top - 1;
        const bool onItem = at.x > box.left && at.x < box.right - 1 && item >= 0 &&
                            item < static_cast<int>(items.size()) && !IsSeparator(items[item]);
        if (!onItem) return;  // the box's edge, or a separator
        data.open.resize(depth + 1);
        Choose(hwnd, data, item);
        return;
    }
    CloseAll(hwnd, data);
}

// Places the bar on the bottom row across the screen.
void PlaceBar(HWND hwnd) {
    SetWindowPos(hwnd, nullptr, 0, (ScreenRows() - 1) * kCellHeight, ScreenColumns() * kCellWidth,
                 kCellHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK MenuBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    MenuBarData* data = DataOf(hwnd);
    switch (msg) {
        case WM_KEYDOWN:
            if (data == nullptr) return 0;
            if (!data->open.empty()) {
                HandleMenuKey(hwnd, *data, wParam);
            } else if (const int key = SoftKeyOf(static_cast<UINT>(wParam)); key >= 0) {
                PressSoftKey(hwnd, *data, static_cast<size_t>(key));
            }
            return 0;
        case WM_LBUTTONDOWN:
            if (data != nullptr) OnTap(hwnd, *data, StylusCell(hwnd, lParam));
            return 0;
        case WM_CHAR:
            return 0;
        case WM_CANCELMODE:
            if (data != nullptr) CloseAll(hwnd, *data);
            return 0;
        case WM_SETTINGCHANGE:
            if (wParam == SETTINGCHANGE_RESET) {
                if (data != nullptr) CloseAll(hwnd, *data);
                PlaceBar(hwnd);
            }
            return 0;
        case WM_DESTROY:
            if (data != nullptr) {
                if (KeyCapture() == hwnd) CaptureKeys(nullptr);
                if (SoftKeyBar(data->topLevel) == hwnd) SetSoftKeyBar(data->topLevel, nullptr);
            }
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

void PaintBox(Canvas& canvas, const RECT& bar, const Level& level) {
    const int left = level.box.left - bar.left;
    const int top = level.box.top - bar.top;
    const int width = level.box.right - level.box.left;
    const int height = level.box.bottom - level.box.top;
    canvas.Frame(left, top, width, height);
    for (size_t i = 0; i < level.items->size(); ++i) {
        const int y = top + 1 + static_cast<int>(i);
        if (IsSeparator((*level.items)[i])) {
            canvas.Fill(left + 1, y, width - 2, 1, u'\u2500');
            continue;
        }
        const uint16_t attr = static_cast<int>(i) == level.highlight ? kAttrReverse : 0;
        canvas.Fill(left + 1, y, width - 2, 1, u' ', attr);
        canvas.Text(left + 1, y, ItemLabel(*level.items, i), attr, width - 2);
    }
}

void PaintMenuBar(HWND hwnd, Canvas& canvas, PaintLayer layer) {
    const MenuBarData* data = DataOf(hwnd);
    if (data == nullptr) return;
    if (layer == PaintLayer::kOverlay) {
        if (!IsWindowVisible(hwnd)) return;
        const RECT bar = canvas.WindowCells();
        for (const Level& level : data->open) PaintBox(canvas, bar, level);
        return;
    }
    auto label = [data](size_t key) {
        return key < data->keys.size() ? StripMnemonic(data->keys[key].text) : std::u16string();
    };
    PaintSoftKeys(canvas, label(0), label(1));
}

const bool kRegistered = RegisterSystemClass(u"menu_worker", MenuBarProc, PaintMenuBar);

}  // namespace

HWND CreateSoftKeyBar(HWND owner, HWND target, std::vector<res::MenuItem> keys, HINSTANCE instance,
                      bool hidden) {
    auto data = std::make_unique<MenuBarData>();
    data->owner = target;
    data->topLevel = owner;
    data->keys = std::move(keys);
    if (data->keys.size() > 2) data->keys.resize(2);
    // Owned by the top-level window it serves, so that it stays above it and goes with it.
    // Disabled, so that it is never activated; its keys come through SetSoftKeyBar and the key
    // capture.
    const HWND bar = CreateWindowExW(0, u"menu_worker", u"", WS_POPUP | WS_DISABLED, 0,
                                     (ScreenRows() - 1) * kCellHeight, ScreenColumns() * kCellWidth,
                                     kCellHeight, owner, nullptr, instance, nullptr);
    if (bar == nullptr) return nullptr;
    if (!SetControlData(bar, std::move(data))) {
        DestroyWindow(bar);
        return nullptr;
    }
    SetSoftKeyBar(owner, bar);
    if (!hidden) ShowWindow(bar, SW_SHOWNA);
    return bar;
}

}  // namespace ce::win

extern "C" CEWINDOW_API BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO* pmbi) {
    using namespace ce::win;
    // The record's size here, or the 36 bytes it has on the device.
    if (pmbi == nullptr || (pmbi->cbSize != sizeof(SHMENUBARINFO) && pmbi->cbSize != 36)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsWindow(pmbi->hwndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::vector<ce::res::MenuItem> keys;
    if (!(pmbi->dwFlags & SHCMBF_EMPTYBAR)) {
        // The id names a menu resource (with SHCMBF_HMENU, and without it too: the soft-key
        // toolbar resources of the device do not exist here).
        const ce::res::Menu* menu = FindMenuResource(pmbi->hInstRes, pmbi->nToolBarId);
        if (menu == nullptr) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return FALSE;
        }
        keys = menu->items;
    }
    HWND topLevel = pmbi->hwndParent;
    while (GetWindowLongW(topLevel, GWL_STYLE) & WS_CHILD) topLevel = GetParent(topLevel);
    const HWND bar = CreateSoftKeyBar(topLevel, pmbi->hwndParent, std::move(keys), pmbi->hInstRes,
                                      (pmbi->dwFlags & SHCMBF_HIDDEN) != 0);
    if (bar == nullptr) return FALSE;
    pmbi->hwndMB = bar;
    return TRUE;
}
