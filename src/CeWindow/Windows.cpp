// Window classes and windows: creation and destruction, window data, text, rectangles, the
// z-order, activation and focus.
#include <CePlatform/Unicode.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "Peers.h"
#include "WindowSystem.h"

namespace ce::win {

namespace {

std::string ClassKey(std::u16string_view name) { return ToUtf8(FoldCase(name)); }

// The system classes live beside the process's own: they are registered before main, and a reset
// of the window system keeps them.
std::map<std::string, std::shared_ptr<ClassInfo>>& SystemClasses() {
    static auto* classes = new std::map<std::string, std::shared_ptr<ClassInfo>>;
    return *classes;
}

ATOM& NextSystemAtom() {
    static ATOM next = 0x8000;
    return next;
}

// Positions and sizes are cut to this, far beyond any screen, so that the arithmetic of
// rectangles (and of their cells) never overflows.
constexpr int64_t kMaxCoordinate = int64_t{1} << 24;

LONG Coordinate(int64_t value) {
    return static_cast<LONG>(std::clamp(value, -kMaxCoordinate, kMaxCoordinate));
}

int FloorDiv(LONG value, int divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

void Fail(DWORD error) { SetLastError(error); }

// Unlinks a window from its parent's children or from the top-level list.
void Unlink(const Window& window) {
    System& sys = Sys();
    std::vector<HWND>* list = &sys.topLevels;
    if (window.IsChild()) {
        Window* parent = FindWindowObject(window.parent, false);
        if (!parent) return;
        list = &parent->children;
    }
    std::erase(*list, window.handle);
}

void SendDestroy(HWND hwnd) {
    Window* window = FindWindowObject(hwnd, false);
    if (!window) return;
    // A DestroyWindow of a child from within its own WM_DESTROY finds it on its way out already.
    window->destroying = true;
    CallProc(hwnd, WM_DESTROY, 0, 0);
    window = FindWindowObject(hwnd, false);
    if (!window) return;
    const std::vector<HWND> children = window->children;
    for (HWND child : children) {
        if (FindWindowObject(child, false)) SendDestroy(child);
    }
}

// Frees the window and its children (children first), each after its WM_NCDESTROY.
void FreeWindow(HWND hwnd) {
    std::shared_ptr<Window> window = RefWindow(hwnd);
    if (!window) return;
    const std::vector<HWND> children = window->children;
    for (HWND child : children) FreeWindow(child);
    CallProc(hwnd, WM_NCDESTROY, 0, 0);
    System& sys = Sys();
    RemoveTimersOf(hwnd);
    if (sys.focus == hwnd) sys.focus = nullptr;
    if (sys.active == hwnd) sys.active = nullptr;
    if (sys.keyCapture == hwnd) sys.keyCapture = nullptr;
    if (sys.stylusCapture == hwnd) sys.stylusCapture = nullptr;
    sys.softKeyBars.erase(hwnd);
    std::erase_if(sys.softKeyBars, [hwnd](const auto& entry) { return entry.second == hwnd; });
    std::erase_if(sys.posted, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
    Unlink(*window);
    window->destroyed = true;
    window->overlay = false;
    sys.windows.erase(hwnd);
    window->data.reset();
    MarkDirty();
}

// Tells the window that holds a capture (of the keys or the stylus) that it ends, and ends it.
void CancelCapture(HWND& capture) {
    const HWND holder = capture;
    if (!holder) return;
    CallProc(holder, WM_CANCELMODE, 0, 0);
    if (capture == holder) capture = nullptr;
}

bool CanActivate(HWND hwnd) {
    Window* window = FindWindowObject(hwnd, false);
    return window && !window->destroying && !window->IsChild() && (window->style & WS_VISIBLE) &&
           !(window->style & WS_DISABLED);
}

// The window to activate in place of a disabled one: its enabled, visible owned popup (a modal
// dialog), searched from the top.
HWND LastActivePopup(HWND hwnd) {
    for (HWND top : Sys().topLevels) {
        Window* window = FindWindowObject(top, false);
        if (window && window->owner == hwnd && CanActivate(top)) return top;
    }
    return hwnd;
}

void SendSizeAndMove(HWND hwnd, const RECT& before, const RECT& after) {
    const LONG width = after.right - after.left;
    const LONG height = after.bottom - after.top;
    if (width != before.right - before.left || height != before.bottom - before.top) {
        CallProc(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    }
    if (after.left != before.left || after.top != before.top) {
        CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(after.left, after.top));
    }
}

void SetVisible(Window& window, bool visible) {
    const bool was = (window.style & WS_VISIBLE) != 0;
    if (was == visible) return;
    const HWND hwnd = window.handle;
    if (visible) {
        window.style |= WS_VISIBLE;
        CallProc(hwnd, WM_SHOWWINDOW, TRUE, 0);
    } else {
        CallProc(hwnd, WM_SHOWWINDOW, FALSE, 0);
        if (Window* w = FindWindowObject(hwnd, false)) w->style &= ~WS_VISIBLE;
        System& sys = Sys();
        if (window.IsChild()) {
            if (sys.focus && IsDescendant(hwnd, sys.focus)) MoveFocus(window.parent);
        } else if (sys.active == hwnd) {
            ActivateOther(hwnd);
        }
    }
    MarkDirty();
}

LONG_PTR ReadExtra(const Window& window, int index, bool* ok) {
    LONG_PTR value = 0;
    if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > window.extra.size()) {
        *ok = false;
        return 0;
    }
    std::memcpy(&value, window.extra.data() + index, sizeof(value));
    *ok = true;
    return value;
}

bool WriteExtra(Window& window, int index, LONG_PTR value) {
    if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > window.extra.size()) {
        return false;
    }
    std::memcpy(window.extra.data() + index, &value, sizeof(value));
    return true;
}

bool NameMatches(LPCWSTR wanted, const ClassInfo& cls) {
    if (IS_INTRESOURCE(wanted)) return reinterpret_cast<ULONG_PTR>(wanted) == cls.atom;
    return ClassKey(wanted) == cls.key;
}

}  // namespace

// ---- Shared helpers ----------------------------------------------------------------------------

Window* FindWindowObject(HWND hwnd, bool setError) {
    auto& windows = Sys().windows;
    auto it = windows.find(hwnd);
    if (it == windows.end() || it->second->destroyed) {
        if (setError) Fail(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return it->second.get();
}

std::shared_ptr<Window> RefWindow(HWND hwnd) {
    auto& windows = Sys().windows;
    auto it = windows.find(hwnd);
    if (it == windows.end() || it->second->destroyed) return nullptr;
    return it->second;
}

HWND TopLevelOf(HWND hwnd) {
    Window* window = FindWindowObject(hwnd, false);
    while (window && window->IsChild()) window = FindWindowObject(window->parent, false);
    return window ? window->handle : nullptr;
}

bool IsDescendant(HWND ancestor, HWND hwnd) {
    for (Window* window = FindWindowObject(hwnd, false); window;) {
        if (window->handle == ancestor) return true;
        if (!window->IsChild()) return false;
        window = FindWindowObject(window->parent, false);
    }
    return false;
}

RECT ScreenRect(const Window& window) {
    RECT rect = window.rect;
    for (const Window* parent = window.IsChild() ? FindWindowObject(window.parent, false) : nullptr;
         parent; parent = parent->IsChild() ? FindWindowObject(parent->parent, false) : nullptr) {
        rect.left += parent->rect.left;
        rect.right += parent->rect.left;
        rect.top += parent->rect.top;
        rect.bottom += parent->rect.top;
    }
    return rect;
}

RECT PixelsToCells(const RECT& pixels) {
    RECT cells{FloorDiv(pixels.left + kCellWidth / 2, kCellWidth),
               FloorDiv(pixels.top + kCellHeight / 2, kCellHeight),
               FloorDiv(pixels.right + kCellWidth / 2, kCellWidth),
               FloorDiv(pixels.bottom + kCellHeight / 2, kCellHeight)};
    // A window with a size keeps a cell each way: a label 7 units high still shows its line.
    if (pixels.right > pixels.left && cells.right <= cells.left) cells.right = cells.left + 1;
    if (pixels.bottom > pixels.top && cells.bottom <= cells.top) cells.bottom = cells.top + 1;
    return cells;
}

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<Window> window = RefWindow(hwnd);
    if (!window || !window->proc) return 0;
    MarkDirty();
    return window->proc(hwnd, msg, wParam, lParam);
}

HWND MoveFocus(HWND hwnd) {
    System& sys = Sys();
    const HWND previous = sys.focus;
    if (previous == hwnd) return previous;
    sys.focus = hwnd;
    // The dialogs that hold the window remember it: a dialog given the focus again (a child
    // dialog by its frame after a modal dialog, say) hands it back to this control.
    for (Window* window = FindWindowObject(hwnd, false); window && window->IsChild();) {
        window = FindWindowObject(window->parent, false);
        if (window && window->dialog) window->savedFocus = hwnd;
    }
    if (previous && FindWindowObject(previous, false)) {
        CallProc(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    }
    if (hwnd && sys.focus == hwnd && FindWindowObject(hwnd, false)) {
        CallProc(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    }
    MarkDirty();
    return previous;
}

void BringToTop(HWND hwnd) {
    System& sys = Sys();
    Window* window = FindWindowObject(hwnd, false);
    if (!window) return;
    if (window->IsChild()) {
        Window* parent = FindWindowObject(window->parent, false);
        if (!parent) return;
        std::erase(parent->children, hwnd);
        parent->children.insert(parent->children.begin(), hwnd);
        MarkDirty();
        return;
    }
    // The window, then above it the windows it owns (in their present order, recursively).
    std::vector<HWND> moved{hwnd};
    for (size_t i = 0; i < moved.size(); ++i) {
        for (HWND top : sys.topLevels) {
            Window* other = FindWindowObject(top, false);
            if (other && other->owner == moved[i] &&
                std::find(moved.begin(), moved.end(), top) == moved.end()) {
                moved.push_back(top);
            }
        }
    }
    std::vector<HWND> order;
    for (HWND top : sys.topLevels) {
        if (std::find(moved.begin(), moved.end(), top) != moved.end()) order.push_back(top);
    }
    std::erase_if(sys.topLevels, [&](HWND top) {
        return std::find(moved.begin(), moved.end(), top) != moved.end();
    });
    // `order` is top first; an owner goes below what it owns.
    std::stable_partition(order.begin(), order.end(), [hwnd](HWND top) { return top != hwnd; });
    sys.topLevels.insert(sys.topLevels.begin(), order.begin(), order.end());
    MarkDirty();
}

void Activate(HWND hwnd) {
    System& sys = Sys();
    const HWND previous = sys.active;
    if (previous == hwnd) return;
    sys.active = hwnd;
    // An open menu closes, and a pressed button lets go, when another window comes forward (a
    // message box of a timer, a window brought forward by another process), so that the keys
    // and taps reach that window.
    CancelCapture(sys.keyCapture);
    CancelCapture(sys.stylusCapture);
    if (previous && FindWindowObject(previous, false)) {
        CallProc(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(hwnd));
    }
    if (sys.active != hwnd) return;  // changed again meanwhile
    if (hwnd && FindWindowObject(hwnd, false)) {
        BringToTop(hwnd);
        CallProc(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(previous));
        if (sys.active == hwnd && FindWindowObject(hwnd, false) &&
            (!sys.focus || TopLevelOf(sys.focus) != hwnd)) {
            MoveFocus(hwnd);
        }
    } else if (sys.focus) {
        MoveFocus(nullptr);
    }
    MarkDirty();
}

void ActivateOther(HWND leaving) {
    Window* window = FindWindowObject(leaving, false);
    const HWND owner = window ? window->owner : nullptr;
    if (owner && CanActivate(owner) && owner != leaving) {
        Activate(owner);
        return;
    }
    for (HWND top : Sys().topLevels) {
        if (top != leaving && CanActivate(top)) {
            Activate(top);
            return;
        }
    }
    Activate(nullptr);
}

void PublishTopLevels() {
    std::vector<std::pair<HWND, std::u16string>> list;
    for (HWND top : Sys().topLevels) {
        Window* window = FindWindowObject(top, false);
        if (window && !window->destroying) list.emplace_back(top, window->cls->name);
    }
    PublishTopLevelWindows(list);
}

std::shared_ptr<ClassInfo> FindClass(LPCWSTR name) {
    if (!name) return nullptr;
    for (auto* table : {&Sys().classes, &SystemClasses()}) {
        if (IS_INTRESOURCE(name)) {
            for (const auto& entry : *table) {
                if (NameMatches(name, *entry.second)) return entry.second;
            }
            continue;
        }
        auto it = table->find(ClassKey(name));
        if (it != table->end()) return it->second;
    }
    return nullptr;
}

bool RegisterSystemClass(std::u16string_view name, WNDPROC proc, Painter painter) {
    auto& classes = SystemClasses();
    std::string key = ClassKey(name);
    if (name.empty() || !proc || classes.count(key)) return false;
    auto info = std::make_shared<ClassInfo>();
    info->name = std::u16string(name);
    info->key = key;
    info->proc = proc;
    info->painter = painter;
    info->atom = NextSystemAtom()++;
    info->system = true;
    classes.emplace(std::move(key), std::move(info));
    return true;
}

// The dialog class, with the room for its DWLP_* data.
void RegisterDialogClass() {
    static const bool registered = [] {
        RegisterSystemClass(u"#32770", DialogWindowProc, nullptr);
        SystemClasses().at(ClassKey(u"#32770"))->wndExtra = DLGWINDOWEXTRA;
        return true;
    }();
    (void)registered;
}

ControlData* GetControlData(HWND hwnd) {
    Window* window = FindWindowObject(hwnd, false);
    return window ? window->data.get() : nullptr;
}

bool SetControlData(HWND hwnd, std::unique_ptr<ControlData> data) {
    Window* window = FindWindowObject(hwnd, false);
    if (!window) return false;
    window->data = std::move(data);
    return true;
}

RECT WindowCells(HWND hwnd) {
    Window* window = FindWindowObject(hwnd, false);
    return window ? PixelsToCells(ScreenRect(*window)) : RECT{};
}

std::u16string WindowText(HWND hwnd) {
    Window* window = FindWindowObject(hwnd, false);
    return window ? window->text : std::u16string();
}

DWORD WindowStyle(HWND hwnd) {
    Window* window = FindWindowObject(hwnd, false);
    return window ? window->style : 0;
}

bool HasFocus(HWND hwnd) {
    const System& sys = Sys();
    return hwnd && sys.focus == hwnd && TopLevelOf(hwnd) == sys.active;
}

void Redraw(HWND /*hwnd*/) { MarkDirty(); }

void SetOverlay(HWND hwnd, bool on) {
    if (Window* window = FindWindowObject(hwnd, false)) {
        window->overlay = on;
        MarkDirty();
    }
}

void CaptureKeys(HWND hwnd) { Sys().keyCapture = FindWindowObject(hwnd, false) ? hwnd : nullptr; }

HWND KeyCapture() { return Sys().keyCapture; }

void SetSoftKeyBar(HWND owner, HWND bar) {
    System& sys = Sys();
    if (!FindWindowObject(owner, false)) return;
    if (Window* window = bar ? FindWindowObject(bar, false) : nullptr) {
        window->softKeyBar = true;
        sys.softKeyBars[owner] = bar;
    } else {
        sys.softKeyBars.erase(owner);
    }
    MarkDirty();
}

HWND SoftKeyBar(HWND owner) {
    const auto& bars = Sys().softKeyBars;
    auto it = bars.find(owner);
    return it != bars.end() ? it->second : nullptr;
}

int SoftKeyOf(UINT virtualKey) {
    if (virtualKey == VK_F1 || virtualKey == VK_F3) return 0;
    if (virtualKey == VK_F2 || virtualKey == VK_F4) return 1;
    return -1;
}

int SoftKeyAt(int column) { return column < ScreenColumns() / 2 ? 0 : 1; }

HWND CaptionOkOwner() {
    const Window* active = FindWindowObject(Sys().active, false);
    return active && (active->exStyle & WS_EX_CAPTIONOKBTN) ? active->handle : nullptr;
}

HWND ActiveSoftKeyBar() {
    const HWND active = Sys().active;
    const HWND bar = SoftKeyBar(active);
    const Window* window = FindWindowObject(bar, false);
    return window && (window->style & WS_VISIBLE) && IsWindowEnabled(active) ? bar : nullptr;
}

bool HasPopupFrame(const Window& window) {
    return !window.IsChild() && (window.style & WS_POPUP) &&
           (window.style & (WS_CAPTION | WS_BORDER | WS_DLGFRAME));
}

void ResetWindows() {
    System& sys = Sys();
    auto windows = std::move(sys.windows);
    sys.windows.clear();
    for (auto& entry : windows) {
        entry.second->destroyed = true;
        entry.second->data.reset();
    }
    sys.topLevels.clear();
    std::erase_if(sys.classes, [](const auto& entry) { return !entry.second->system; });
    sys.active = sys.focus = sys.keyCapture = sys.stylusCapture = nullptr;
    sys.softKeyBars.clear();
    sys.posted.clear();
    sys.input.clear();
    sys.quitPending = false;
    sys.timers.clear();
    sys.lastKey = {};
    sys.keyModifiers = 0;
    sys.shell = {};
    sys.dirty = true;
    PublishTopLevelWindows({});
}

namespace {

// ---- Creation ----------------------------------------------------------------------------------

// What CreateWindowExW's parent handle makes of a new window: a child's parent, or the owner of a
// top-level window (the top-level window of the handle; none for the desktop). False, with the
// error set, for a bad handle or a child without a parent.
bool ParentOrOwner(HWND hWndParent, bool child, HWND* parentOrOwner) {
    if (hWndParent && hWndParent != GetDesktopWindow()) {
        if (!FindWindowObject(hWndParent)) return false;
        *parentOrOwner = child ? hWndParent : TopLevelOf(hWndParent);
    }
    if (child && !*parentOrOwner) {
        Fail(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// A new window's rectangle: CW_USEDEFAULT gives a top-level window the work area, a child (0, 0)
// and no size.
RECT InitialRect(bool child, int x, int y, int width, int height) {
    const RECT work = child ? RECT{} : WorkArea();
    const bool byDefault = x == CW_USEDEFAULT;
    const bool sizeByDefault = width == CW_USEDEFAULT;
    const LONG left = Coordinate(byDefault ? work.left : x);
    const LONG top = Coordinate(byDefault ? work.top : y);
    const LONG cx = Coordinate(std::max(sizeByDefault ? work.right - work.left : width, 0));
    const LONG cy = Coordinate(std::max(sizeByDefault ? work.bottom - work.top : height, 0));
    return RECT{left, top, left + cx, top + cy};
}

// Makes the window that `cs` describes and puts it in the tree: last of its parent's children,
// or in front of the top-level windows. Its procedure has not seen a message yet.
HWND InsertWindow(const std::shared_ptr<ClassInfo>& cls, const CREATESTRUCTW& cs) {
    System& sys = Sys();
    const auto style = static_cast<DWORD>(cs.style);
    const bool child = (style & WS_CHILD) != 0;
    auto window = std::make_shared<Window>();
    const uint64_t serial = sys.nextSerial++;
    window->handle = reinterpret_cast<HWND>((static_cast<uint64_t>(getpid()) << 32) |
                                            ((serial & 0x0FFFFFFF) << 4));
    window->cls = cls;
    window->proc = cls->proc;
    window->instance = cs.hInstance;
    window->parent = child ? cs.hwndParent : nullptr;
    window->owner = child ? nullptr : cs.hwndParent;
    window->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    window->exStyle = cs.dwExStyle;
    window->id = child ? reinterpret_cast<LONG_PTR>(cs.hMenu) : 0;
    window->dialog = cls->proc == DialogWindowProc;
    window->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
    if (cs.lpszName && !IS_INTRESOURCE(cs.lpszName)) window->text = cs.lpszName;
    window->rect = RECT{cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
    const HWND hwnd = window->handle;
    sys.windows.emplace(hwnd, window);
    if (child) {
        FindWindowObject(cs.hwndParent, false)->children.push_back(hwnd);
    } else {
        sys.topLevels.insert(sys.topLevels.begin(), hwnd);
    }
    return hwnd;
}

// ---- The z-order -------------------------------------------------------------------------------

// The list that orders the window among its siblings, front first: its parent's children, or the
// top-level windows.
std::vector<HWND>& SiblingsOf(const Window& window) {
    if (window.IsChild()) {
        if (Window* parent = FindWindowObject(window.parent, false)) return parent->children;
    }
    return Sys().topLevels;
}

// Moves the window as SetWindowPos's hWndInsertAfter says: behind its siblings (HWND_BOTTOM), in
// front of them (HWND_TOP, HWND_TOPMOST, HWND_NOTOPMOST), or right behind the sibling named.
void PlaceInZOrder(const Window& window, HWND insertAfter) {
    const HWND hwnd = window.handle;
    if (insertAfter == HWND_BOTTOM) {
        std::vector<HWND>& siblings = SiblingsOf(window);
        std::erase(siblings, hwnd);
        siblings.push_back(hwnd);
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST ||
               insertAfter == HWND_NOTOPMOST) {
        BringToTop(hwnd);
    } else if (FindWindowObject(insertAfter, false)) {
        std::vector<HWND>& siblings = SiblingsOf(window);
        if (insertAfter == hwnd ||
            std::find(siblings.begin(), siblings.end(), insertAfter) == siblings.end()) {
            return;
        }
        std::erase(siblings, hwnd);
        siblings.insert(std::find(siblings.begin(), siblings.end(), insertAfter) + 1, hwnd);
    }
}

// WM_NCCREATE, then WM_CREATE. False, the window gone and the error set, when either refuses or
// the window was destroyed meanwhile.
bool SendCreation(HWND hwnd, CREATESTRUCTW& cs) {
    if (!CallProc(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        if (FindWindowObject(hwnd, false)) FreeWindow(hwnd);
        Fail(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!FindWindowObject(hwnd, false) ||
        CallProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        Fail(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!FindWindowObject(hwnd, false)) {
        Fail(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

}  // namespace

}  // namespace ce::win

using namespace ce::win;

extern "C" {

// ---- Classes -----------------------------------------------------------------------------------

ATOM WINAPI RegisterClassW(const WNDCLASSW* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpfnWndProc || !lpWndClass->lpszClassName ||
        IS_INTRESOURCE(lpWndClass->lpszClassName) || !*lpWndClass->lpszClassName ||
        lpWndClass->cbWndExtra < 0) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    System& sys = Sys();
    if (FindClass(lpWndClass->lpszClassName)) {
        Fail(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto info = std::make_shared<ClassInfo>();
    info->name = lpWndClass->lpszClassName;
    info->key = ClassKey(info->name);
    info->proc = lpWndClass->lpfnWndProc;
    info->instance = lpWndClass->hInstance;
    info->icon = lpWndClass->hIcon;
    info->wndExtra = std::min(lpWndClass->cbWndExtra, 4096);
    info->atom = sys.nextAtom++;
    const ATOM atom = info->atom;
    sys.classes.emplace(info->key, std::move(info));
    return atom;
}

BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE /*hInstance*/) {
    System& sys = Sys();
    std::shared_ptr<ClassInfo> info = FindClass(lpClassName);
    if (!info || info->system) {
        Fail(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    sys.classes.erase(info->key);
    return TRUE;
}

int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
    Window* window = FindWindowObject(hWnd);
    if (!window) return 0;
    if (!lpClassName || nMaxCount <= 0) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string& name = window->cls->name;
    const size_t count = std::min(name.size(), static_cast<size_t>(nMaxCount - 1));
    std::copy_n(name.data(), count, lpClassName);
    lpClassName[count] = 0;
    return static_cast<int>(count);
}

// ---- Creation and destruction ------------------------------------------------------------------

HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                            DWORD dwStyle, int X, int Y, int nWidth, int nHeight, HWND hWndParent,
                            HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
    EnsureStarted();
    std::shared_ptr<ClassInfo> cls = FindClass(lpClassName);
    if (!cls) {
        Fail(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    const bool child = (dwStyle & WS_CHILD) != 0;
    HWND parentOrOwner = nullptr;
    if (!ParentOrOwner(hWndParent, child, &parentOrOwner)) return nullptr;
    const RECT rect = InitialRect(child, X, Y, nWidth, nHeight);
    CREATESTRUCTW cs{};
    cs.lpCreateParams = lpParam;
    cs.hInstance = hInstance;
    cs.hMenu = hMenu;
    cs.hwndParent = parentOrOwner;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.style = static_cast<LONG>(dwStyle);
    cs.lpszName = lpWindowName;
    cs.lpszClass = lpClassName;
    cs.dwExStyle = dwExStyle;
    const HWND hwnd = InsertWindow(cls, cs);
    if (!SendCreation(hwnd, cs)) return nullptr;
    // The size and place the window has now: WM_CREATE may have moved it.
    const RECT now = FindWindowObject(hwnd, false)->rect;
    CallProc(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(now.right - now.left, now.bottom - now.top));
    CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(now.left, now.top));
    if (!child) PublishTopLevels();
    if ((dwStyle & WS_VISIBLE) && FindWindowObject(hwnd, false)) ShowWindow(hwnd, SW_SHOW);
    MarkDirty();
    return FindWindowObject(hwnd, false) ? hwnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    std::shared_ptr<Window> window = RefWindow(hWnd);
    if (!window) {
        Fail(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (window->destroying) return TRUE;
    window->destroying = true;
    System& sys = Sys();
    if (!window->IsChild()) {
        const std::vector<HWND> tops = sys.topLevels;
        for (HWND top : tops) {
            Window* other = FindWindowObject(top, false);
            if (other && other->owner == hWnd) DestroyWindow(top);
        }
    }
    // Hidden first: activation and focus move away before WM_DESTROY.
    if (window->style & WS_VISIBLE) {
        window->style &= ~WS_VISIBLE;
        MarkDirty();
    }
    if (!window->IsChild() && sys.active == hWnd) ActivateOther(hWnd);
    if (sys.focus && IsDescendant(hWnd, sys.focus)) {
        Window* parent = window->IsChild() ? FindWindowObject(window->parent, false) : nullptr;
        MoveFocus(parent && !parent->destroying ? parent->handle : nullptr);
    }
    SendDestroy(hWnd);
    const bool topLevel = !window->IsChild();
    FreeWindow(hWnd);
    if (topLevel) PublishTopLevels();
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
    return hWnd == GetDesktopWindow() || FindWindowObject(hWnd, false) != nullptr;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    for (Window* window = FindWindowObject(hWnd, false); window;) {
        if (!(window->style & WS_VISIBLE)) return FALSE;
        if (!window->IsChild()) return TRUE;
        window = FindWindowObject(window->parent, false);
    }
    return FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    Window* window = FindWindowObject(hWnd, false);
    return window && !(window->style & WS_DISABLED);
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    Window* window = FindWindowObject(hWnd);
    if (!window) return FALSE;
    const BOOL wasDisabled = (window->style & WS_DISABLED) ? TRUE : FALSE;
    if (bEnable && wasDisabled) {
        window->style &= ~static_cast<DWORD>(WS_DISABLED);
        CallProc(hWnd, WM_ENABLE, TRUE, 0);
    } else if (!bEnable && !wasDisabled) {
        window->style |= WS_DISABLED;
        if (Sys().focus == hWnd) MoveFocus(nullptr);
        CallProc(hWnd, WM_ENABLE, FALSE, 0);
    }
    MarkDirty();
    return wasDisabled;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    std::shared_ptr<Window> window = RefWindow(hWnd);
    if (!window) {
        Fail(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const BOOL was = (window->style & WS_VISIBLE) ? TRUE : FALSE;
    switch (nCmdShow) {
        case SW_HIDE:
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
            SetVisible(*window, false);
            return was;
        case SW_SHOWMAXIMIZED:
            if (!window->IsChild()) {
                const RECT before = window->rect;
                window->rect = WorkArea();
                SendSizeAndMove(hWnd, before, window->rect);
            }
            break;
        default:
            break;
    }
    SetVisible(*window, true);
    const bool activate = nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE;
    if (!window->IsChild() && activate && !window->destroyed && !(window->style & WS_DISABLED)) {
        Activate(hWnd);
    }
    return was;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
    if (!FindWindowObject(hWnd)) return FALSE;
    RenderIfDirty();
    return TRUE;
}

HWND WINAPI GetParent(HWND hWnd) {
    Window* window = FindWindowObject(hWnd);
    if (!window) return nullptr;
    return window->IsChild() ? window->parent : window->owner;
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd) {
    Window* window = FindWindowObject(hWnd);
    if (!window) return nullptr;
    if (uCmd == GW_CHILD) return window->children.empty() ? nullptr : window->children.front();
    if (uCmd == GW_OWNER) return window->IsChild() ? nullptr : window->owner;
    const std::vector<HWND>* list = &Sys().topLevels;
    if (window->IsChild()) {
        Window* parent = FindWindowObject(window->parent, false);
        if (!parent) return nullptr;
        list = &parent->children;
    }
    auto it = std::find(list->begin(), list->end(), hWnd);
    switch (uCmd) {
        case GW_HWNDFIRST:
            return list->empty() ? nullptr : list->front();
        case GW_HWNDLAST:
            return list->empty() ? nullptr : list->back();
        case GW_HWNDNEXT:
            return (it != list->end() && it + 1 != list->end()) ? *(it + 1) : nullptr;
        case GW_HWNDPREV:
            return (it != list->end() && it != list->begin()) ? *(it - 1) : nullptr;
        default:
            Fail(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
}

BOOL WINAPI IsChild(HWND hWndParent, HWND hWnd) {
    return hWndParent != hWnd && FindWindowObject(hWndParent, false) &&
                   IsDescendant(hWndParent, hWnd)
               ? TRUE
               : FALSE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    Window* window = FindWindowObject(hDlg);
    if (!window) return nullptr;
    for (HWND child : window->children) {
        Window* control = FindWindowObject(child, false);
        if (control && control->id == nIDDlgItem) return child;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    Window* window = FindWindowObject(hWnd);
    return window && window->IsChild() ? static_cast<int>(window->id) : 0;
}

LRESULT WINAPI SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                   LPARAM lParam) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

// ---- Text --------------------------------------------------------------------------------------

BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    if (!FindWindowObject(hWnd)) return FALSE;
    return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : u""))
               ? TRUE
               : FALSE;
}

int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    lpString[0] = 0;
    if (!FindWindowObject(hWnd)) return 0;
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                         reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthW(HWND hWnd) {
    if (!FindWindowObject(hWnd)) return 0;
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SetWindowTextW(item, lpString) : FALSE;
}

UINT WINAPI GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
    if (lpString && cchMax > 0) lpString[0] = 0;
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? static_cast<UINT>(GetWindowTextW(item, lpString, cchMax)) : 0;
}

// ---- Rectangles --------------------------------------------------------------------------------

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    Window* window = FindWindowObject(hWnd);
    if (!window) return FALSE;
    if (!lpRect) {
        Fail(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpRect = ScreenRect(*window);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    Window* window = FindWindowObject(hWnd);
    if (!window) return FALSE;
    if (!lpRect) {
        Fail(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpRect =
        RECT{0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight,
                        SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags) {
    std::shared_ptr<Window> window = RefWindow(hWnd);
    if (!window) {
        Fail(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const RECT before = window->rect;
    RECT after = before;
    if (!(uFlags & SWP_NOMOVE)) {
        after.left = Coordinate(X);
        after.top = Coordinate(Y);
    }
    const LONG width =
        (uFlags & SWP_NOSIZE) ? before.right - before.left : Coordinate(std::max(cx, 0));
    const LONG height =
        (uFlags & SWP_NOSIZE) ? before.bottom - before.top : Coordinate(std::max(cy, 0));
    after.right = after.left + width;
    after.bottom = after.top + height;
    window->rect = after;
    SendSizeAndMove(hWnd, before, after);
    if (!FindWindowObject(hWnd, false)) return TRUE;
    if (!(uFlags & SWP_NOZORDER)) PlaceInZOrder(*window, hWndInsertAfter);
    if (uFlags & SWP_SHOWWINDOW) SetVisible(*window, true);
    if (uFlags & SWP_HIDEWINDOW) SetVisible(*window, false);
    if (!(uFlags & SWP_NOACTIVATE) && !window->IsChild() && !window->destroyed &&
        CanActivate(hWnd)) {
        Activate(hWnd);
    }
    MarkDirty();
    return TRUE;
}

}  // extern "C"

namespace {

// Moves a point by the window's screen position, times `sign`: -1 from screen to client
// coordinates, +1 back.
BOOL OffsetPoint(HWND hWnd, LPPOINT point, int sign) {
    Window* window = FindWindowObject(hWnd);
    if (!window) return FALSE;
    if (!point) {
        Fail(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECT rect = ScreenRect(*window);
    point->x += sign * rect.left;
    point->y += sign * rect.top;
    return TRUE;
}

}  // namespace

extern "C" {

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) { return OffsetPoint(hWnd, lpPoint, -1); }

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) { return OffsetPoint(hWnd, lpPoint, 1); }

int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
    POINT from{0, 0};
    POINT to{0, 0};
    if (hWndFrom && hWndFrom != GetDesktopWindow()) {
        Window* window = FindWindowObject(hWndFrom);
        if (!window) return 0;
        const RECT rect = ScreenRect(*window);
        from = {rect.left, rect.top};
    }
    if (hWndTo && hWndTo != GetDesktopWindow()) {
        Window* window = FindWindowObject(hWndTo);
        if (!window) return 0;
        const RECT rect = ScreenRect(*window);
        to = {rect.left, rect.top};
    }
    const LONG dx = from.x - to.x;
    const LONG dy = from.y - to.y;
    for (UINT i = 0; lpPoints && i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    SetLastError(ERROR_SUCCESS);
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* /*lpRect*/, BOOL /*bErase*/) {
    if (hWnd && !FindWindowObject(hWnd)) return FALSE;
    MarkDirty();
    return TRUE;
}

// ---- Window data -------------------------------------------------------------------------------

LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex) {
    Window* window = FindWindowObject(hWnd);
    if (!window) return 0;
    switch (nIndex) {
        case GWL_STYLE:
            return static_cast<LONG_PTR>(static_cast<LONG>(window->style));
        case GWL_EXSTYLE:
            return static_cast<LONG_PTR>(static_cast<LONG>(window->exStyle));
        case GWLP_WNDPROC:
            return reinterpret_cast<LONG_PTR>(window->proc);
        case GWLP_HINSTANCE:
            return reinterpret_cast<LONG_PTR>(window->instance);
        case GWLP_HWNDPARENT:
            return reinterpret_cast<LONG_PTR>(window->IsChild() ? window->parent : window->owner);
        case GWLP_ID:
            return window->id;
        case GWLP_USERDATA:
            return window->userData;
        default: {
            bool ok = false;
            const LONG_PTR value = ReadExtra(*window, nIndex, &ok);
            if (!ok) Fail(ERROR_INVALID_INDEX);
            return value;
        }
    }
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    Window* window = FindWindowObject(hWnd);
    if (!window) return 0;
    const LONG_PTR previous = GetWindowLongPtrW(hWnd, nIndex);
    switch (nIndex) {
        case GWL_STYLE:
            window->style = static_cast<DWORD>(dwNewLong);
            break;
        case GWL_EXSTYLE:
            window->exStyle = static_cast<DWORD>(dwNewLong);
            break;
        case GWLP_WNDPROC:
            if (!dwNewLong) {
                Fail(ERROR_INVALID_PARAMETER);
                return 0;
            }
            window->proc = reinterpret_cast<WNDPROC>(dwNewLong);
            break;
        case GWLP_HINSTANCE:
            window->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
            break;
        case GWLP_HWNDPARENT:
            if (!window->IsChild()) window->owner = TopLevelOf(reinterpret_cast<HWND>(dwNewLong));
            break;
        case GWLP_ID:
            window->id = dwNewLong;
            break;
        case GWLP_USERDATA:
            window->userData = dwNewLong;
            break;
        default:
            if (!WriteExtra(*window, nIndex, dwNewLong)) {
                Fail(ERROR_INVALID_INDEX);
                return 0;
            }
            break;
    }
    MarkDirty();
    return previous;
}

LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex) {
    return static_cast<LONG>(GetWindowLongPtrW(hWnd, nIndex));
}

LONG WINAPI SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
    if (nIndex == GWL_STYLE || nIndex == GWL_EXSTYLE) {
        return static_cast<LONG>(
            SetWindowLongPtrW(hWnd, nIndex, static_cast<LONG_PTR>(static_cast<DWORD>(dwNewLong))));
    }
    return static_cast<LONG>(SetWindowLongPtrW(hWnd, nIndex, dwNewLong));
}

LRESULT WINAPI CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                               LPARAM lParam) {
    if (!lpPrevWndFunc) return 0;
    return lpPrevWndFunc(hWnd, Msg, wParam, lParam);
}

LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Window* window = FindWindowObject(hWnd, false);
    if (!window) return 0;
    switch (Msg) {
        case WM_NCCREATE:
            return TRUE;
        case WM_SETTEXT:
            window->text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
            MarkDirty();
            return TRUE;
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<LPWSTR>(lParam);
            if (!buffer || wParam == 0) return 0;
            const size_t count = std::min(window->text.size(), static_cast<size_t>(wParam - 1));
            std::copy_n(window->text.data(), count, buffer);
            buffer[count] = 0;
            return static_cast<LRESULT>(count);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(window->text.size());
        case WM_CLOSE:
            DestroyWindow(hWnd);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) SetFocus(hWnd);
            return 0;
        case WM_MOUSEWHEEL:
            // A child that does not scroll leaves the wheel to its parent.
            return window->IsChild() ? SendMessageW(window->parent, Msg, wParam, lParam) : 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return 0;
    }
}

// ---- Activation and focus ----------------------------------------------------------------------

HWND WINAPI GetActiveWindow(void) { return Sys().active; }

HWND WINAPI GetForegroundWindow(void) { return Sys().active; }

HWND WINAPI SetActiveWindow(HWND hWnd) {
    const HWND previous = Sys().active;
    if (hWnd) {
        Window* window = FindWindowObject(hWnd);
        if (!window) return nullptr;
        if (window->IsChild() || (window->style & WS_DISABLED)) return nullptr;
    }
    Activate(hWnd);
    return previous;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
    const auto value = reinterpret_cast<uintptr_t>(hWnd) & ~static_cast<uintptr_t>(1);
    const HWND target = reinterpret_cast<HWND>(value);
    if (static_cast<uint64_t>(value >> 32) != static_cast<uint64_t>(getpid())) {
        if (!target) {
            Fail(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        return RequestForeground(target) ? TRUE : FALSE;
    }
    const HWND top = TopLevelOf(target);
    if (!top) {
        Fail(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    BringToTop(top);
    Window* window = FindWindowObject(top, false);
    if (window && (window->style & WS_DISABLED)) {
        const HWND popup = LastActivePopup(top);
        if (popup != top) Activate(popup);
        return TRUE;
    }
    Activate(top);
    return TRUE;
}

HWND WINAPI SetFocus(HWND hWnd) {
    System& sys = Sys();
    const HWND previous = sys.focus;
    if (!hWnd) {
        MoveFocus(nullptr);
        return previous;
    }
    if (!FindWindowObject(hWnd)) return nullptr;
    if (hWnd == previous) return previous;
    HWND top = hWnd;
    for (;;) {
        Window* window = FindWindowObject(top, false);
        if (!window || window->destroying || (window->style & WS_DISABLED)) return nullptr;
        if (!window->IsChild()) break;
        top = window->parent;
    }
    if (top != sys.active) {
        Activate(top);
        if (!FindWindowObject(hWnd, false) || sys.active != top) return nullptr;
    }
    MoveFocus(hWnd);
    return previous;
}

HWND WINAPI GetFocus(void) { return Sys().focus; }

HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
    for (HWND top : Sys().topLevels) {
        Window* window = FindWindowObject(top, false);
        if (!window || window->destroying) continue;
        if (lpClassName && !NameMatches(lpClassName, *window->cls)) continue;
        if (lpWindowName && ce::FoldCase(window->text) != ce::FoldCase(lpWindowName)) continue;
        return top;
    }
    if (lpClassName && !IS_INTRESOURCE(lpClassName) && !lpWindowName) {
        if (HWND peer = FindPeerWindow(lpClassName)) return peer;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

}  // extern "C"
