// The shell's special folders and shortcut files on the simulated device.
#include <shellapi.h>
#include <shlobj.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "device/DeviceImpl.h"
#include "files/CodePage.h"
#include "files/DevicePaths.h"

namespace {

struct SFolder {
    int id;
    const WCHAR* path;
};

const SFolder kFolders[] = {
    {CSIDL_PROGRAMS, u"\\Windows\\Start Menu\\Programs"},
    {CSIDL_STARTMENU, u"\\Windows\\Start Menu"},
    {CSIDL_PROGRAM_FILES, u"\\Program Files"},
};

// An item list here is one item holding the folder's id, then the terminating zero size.
struct SFolderIdList {
    USHORT cb;
    int folder;
    USHORT end;
};

// The item lists handed out and not yet released, so that a foreign pointer is never read or
// freed.
std::mutex g_listsLock;
std::set<const void*> g_lists;

const SFolder* FolderOf(int id) {
    for (const SFolder& folder : kFolders) {
        if (folder.id == id) return &folder;
    }
    return nullptr;
}

}  // namespace

extern "C" {

HRESULT WINAPI SHGetSpecialFolderLocation(HWND /*hwndOwner*/, int nFolder, LPITEMIDLIST* ppidl) {
    if (!ppidl) return E_INVALIDARG;
    *ppidl = nullptr;
    if (!FolderOf(nFolder)) return E_INVALIDARG;
    auto* list = static_cast<SFolderIdList*>(std::malloc(sizeof(SFolderIdList)));
    if (!list) return E_OUTOFMEMORY;
    *list = SFolderIdList{static_cast<USHORT>(sizeof(USHORT) + sizeof(int)), nFolder, 0};
    {
        std::lock_guard<std::mutex> lock(g_listsLock);
        g_lists.insert(list);
    }
    *ppidl = reinterpret_cast<LPITEMIDLIST>(list);
    return S_OK;
}

BOOL WINAPI SHGetPathFromIDList(LPCITEMIDLIST pidl, LPWSTR pszPath) {
    if (pszPath) pszPath[0] = 0;
    if (!pidl || !pszPath) return FALSE;
    {
        std::lock_guard<std::mutex> lock(g_listsLock);
        if (!g_lists.count(pidl)) return FALSE;
    }
    const SFolder* folder = FolderOf(reinterpret_cast<const SFolderIdList*>(pidl)->folder);
    if (!folder) return FALSE;
    const size_t length = std::char_traits<WCHAR>::length(folder->path);
    std::char_traits<WCHAR>::copy(pszPath, folder->path, length + 1);
    return TRUE;
}

void WINAPI CoTaskMemFree(LPVOID pv) {
    if (!pv) return;
    std::lock_guard<std::mutex> lock(g_listsLock);
    if (g_lists.erase(pv)) std::free(pv);
}

DWORD WINAPI SHCreateShortcut(LPWSTR szShortcut, LPWSTR szTarget) {
    if (!szShortcut || !*szShortcut || !szTarget || !*szTarget) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::u16string_view target(szTarget);
    std::string content = std::to_string(target.size()) + '#';
    for (char16_t c : target) content += ce::NarrowChar(c);
    return ce::OnCurrentDevice(DWORD{FALSE}, [&](ce::Device& device) -> DWORD {
        // Created exclusively: an existing file, or a link put there meanwhile, is never
        // written through.
        const ce::UniqueFd file = ce::CreateNewDeviceFile(device, szShortcut);
        if (!file) return FALSE;  // the last error says why
        size_t done = 0;
        while (done < content.size()) {
            const ssize_t n = write(file.Get(), content.data() + done, content.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        if (done != content.size()) {
            // A part-written shortcut is worse than none.
            ce::DeleteDeviceFile(device, szShortcut);
            SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        return TRUE;
    });
}

}  // extern "C"
