// The programs' resource tables and the functions that read them.
#include <CeWindow/Resources.h>

#include <algorithm>
#include <map>

#include "WindowSystem.h"

namespace ce::win {

namespace {

// The instance handle of the program itself (its image base on the device).
const HINSTANCE kProgramInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00400000));

std::map<HINSTANCE, res::Table>& Tables() {
    static auto* tables = new std::map<HINSTANCE, res::Table>;
    return *tables;
}

// Image handles: an index into this list, so that a handle stays valid (and harmless) when the
// table it came from is replaced.
struct ImageRef {
    HINSTANCE instance;
    UINT id;
    bool icon;
};
std::vector<ImageRef>& ImageRefs() {
    static auto* refs = new std::vector<ImageRef>;
    return *refs;
}
constexpr uintptr_t kImageHandleBase = 0x1C000000;

const res::Table* TableOf(HINSTANCE instance) {
    auto it = Tables().find(instance);
    return it != Tables().end() ? &it->second : nullptr;
}

template <typename Item>
const Item* FindById(const std::vector<Item>& items, UINT id) {
    auto it =
        std::find_if(items.begin(), items.end(), [id](const Item& item) { return item.id == id; });
    return it != items.end() ? &*it : nullptr;
}

HANDLE ImageHandle(HINSTANCE instance, UINT id, bool icon) {
    auto& refs = ImageRefs();
    for (size_t i = 0; i < refs.size(); ++i) {
        if (refs[i].instance == instance && refs[i].id == id && refs[i].icon == icon) {
            return reinterpret_cast<HANDLE>(kImageHandleBase + i * 4);
        }
    }
    refs.push_back(ImageRef{instance, id, icon});
    return reinterpret_cast<HANDLE>(kImageHandleBase + (refs.size() - 1) * 4);
}

// The number that MAKEINTRESOURCE made `name` of; 0 for a resource named by text, or none.
UINT ResourceNumber(LPCWSTR name) {
    return IS_INTRESOURCE(name) ? static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)) : 0;
}

}  // namespace

const res::Dialog* FindDialogResource(HINSTANCE instance, LPCWSTR name) {
    const res::Table* table = TableOf(instance);
    const UINT id = ResourceNumber(name);
    return table && id ? FindById(table->dialogs, id) : nullptr;
}

const res::Menu* FindMenuResource(HINSTANCE instance, UINT id) {
    const res::Table* table = TableOf(instance);
    return table ? FindById(table->menus, id) : nullptr;
}

const res::Image* FindBitmapResource(HINSTANCE instance, UINT id) {
    const res::Table* table = TableOf(instance);
    return table ? FindById(table->bitmaps, id) : nullptr;
}

const res::Image* FindIconResource(HINSTANCE instance, UINT id) {
    const res::Table* table = TableOf(instance);
    return table ? FindById(table->icons, id) : nullptr;
}

const res::Image* ImageFromHandle(HANDLE image) {
    const auto value = reinterpret_cast<uintptr_t>(image);
    if (value < kImageHandleBase || (value - kImageHandleBase) % 4 != 0) return nullptr;
    const size_t index = (value - kImageHandleBase) / 4;
    const auto& refs = ImageRefs();
    if (index >= refs.size()) return nullptr;
    const ImageRef& ref = refs[index];
    return ref.icon ? FindIconResource(ref.instance, ref.id)
                    : FindBitmapResource(ref.instance, ref.id);
}

HBITMAP BitmapHandle(HINSTANCE instance, UINT id) {
    if (!FindBitmapResource(instance, id)) return nullptr;
    return static_cast<HBITMAP>(ImageHandle(instance, id, false));
}

HICON IconHandle(HINSTANCE instance, UINT id) {
    if (!FindIconResource(instance, id)) return nullptr;
    return static_cast<HICON>(ImageHandle(instance, id, true));
}

}  // namespace ce::win

namespace ce::res {

void RegisterResources(HINSTANCE instance, Table table) {
    try {
        win::Tables()[instance] = std::move(table);
    } catch (...) {
        // Out of memory: the program runs without its resources, which then fail to load.
    }
}

}  // namespace ce::res

using namespace ce::win;

extern "C" {

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
    if (!lpModuleName) return kProgramInstance;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    const ce::res::Table* table = TableOf(hInstance);
    const ce::res::String* entry = table ? FindById(table->strings, uID) : nullptr;
    if (!lpBuffer || cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!entry) {
        if (cchBufferMax > 0) lpBuffer[0] = 0;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    if (cchBufferMax == 0) {
        *reinterpret_cast<LPCWSTR*>(lpBuffer) = entry->text.c_str();
        return static_cast<int>(entry->text.size());
    }
    const size_t count = std::min(entry->text.size(), static_cast<size_t>(cchBufferMax - 1));
    std::copy_n(entry->text.data(), count, lpBuffer);
    lpBuffer[count] = 0;
    return static_cast<int>(count);
}

HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
    const UINT id = ResourceNumber(lpIconName);
    HICON icon = id ? IconHandle(hInstance, id) : nullptr;
    if (!icon) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return icon;
}

HBITMAP WINAPI LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName) {
    const UINT id = ResourceNumber(lpBitmapName);
    HBITMAP bitmap = id ? BitmapHandle(hInstance, id) : nullptr;
    if (!bitmap) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return bitmap;
}

BOOL WINAPI DestroyIcon(HICON hIcon) {
    if (!ImageFromHandle(hIcon)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI DeleteObject(HGDIOBJ hObject) {
    if (!ImageFromHandle(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
