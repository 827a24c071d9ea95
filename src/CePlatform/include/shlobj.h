// The shell's special folders: where the device keeps its Start menu and its programs. The
// system asks for a folder's item list, then for the list's path.
#pragma once

#include <objbase.h>
#include <windows.h>

typedef unsigned short USHORT;

// An item list as the shell hands it out. Opaque to callers; release it with CoTaskMemFree.
typedef struct _SHITEMID {  // NOLINT(bugprone-reserved-identifier): the platform's name
    USHORT cb;
    BYTE abID[1];
} SHITEMID;
typedef struct _ITEMIDLIST {  // NOLINT(bugprone-reserved-identifier): the platform's name
    SHITEMID mkid;
} ITEMIDLIST, *LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;

// The folders the device has:
#define CSIDL_PROGRAMS 0x0002       // "\Windows\Start Menu\Programs"
#define CSIDL_STARTMENU 0x000B      // "\Windows\Start Menu"
#define CSIDL_PROGRAM_FILES 0x0026  // "\Program Files"

extern "C" {

// The item list of special folder nFolder in *ppidl (S_OK); E_INVALIDARG, with *ppidl set to
// null, for a folder the device does not have or a null ppidl. hwndOwner is not used.
CEPLATFORM_API HRESULT WINAPI SHGetSpecialFolderLocation(HWND hwndOwner, int nFolder,
                                                         LPITEMIDLIST* ppidl);

// Copies the device path of an item list from SHGetSpecialFolderLocation into pszPath, a buffer
// of MAX_PATH characters, without a trailing backslash. FALSE, with pszPath set to "" when it
// is given, for a null or unknown item list.
CEPLATFORM_API BOOL WINAPI SHGetPathFromIDList(LPCITEMIDLIST pidl, LPWSTR pszPath);

// Releases memory that the shell handed out (an item list); null is ignored.
CEPLATFORM_API void WINAPI CoTaskMemFree(LPVOID pv);
}
