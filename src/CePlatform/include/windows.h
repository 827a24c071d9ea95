// The Windows CE platform interface that the system's code is written against, as a subset of
// the device's <windows.h>: the types, constants and functions that Quenvale calls, with their
// Win32 names, signatures and semantics. CePlatform implements them over a simulated device
// (see <CePlatform/Device.h>). Where it knowingly differs from the device is listed in the
// README ("Where the stand-in differs from the device").
//
// Contracts common to every function declared here:
// - No function throws. Failures are reported the Win32 way: a returned error code (the
//   registry functions), or FALSE/NULL with the reason in GetLastError().
// - Texts are UTF-16 (WCHAR is char16_t); sizes of registry data are in bytes.
// - The device is opened on the first call that needs it: the folder named by the environment
//   variable CE_DEVICE, else the default device (created on first use). When it cannot be
//   opened, registry functions return ERROR_NOT_READY and the others fail with that last error;
//   the reason is printed once to standard error.
// - Any number of processes may use one device at once; each value write is atomic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#define WINAPI
#define CALLBACK
#include <CePlatform/Api.h>

typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef uint8_t BYTE;
typedef BYTE* LPBYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef DWORD* PDWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef void* PVOID;
typedef void* LPVOID;
typedef uintptr_t ULONG_PTR;
typedef intptr_t LONG_PTR;
typedef DWORD REGSAM;
typedef void* HANDLE;

struct HKEY__;  // NOLINT(bugprone-reserved-identifier): the platform's name
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
struct HINSTANCE__;  // NOLINT(bugprone-reserved-identifier): the platform's name
typedef HINSTANCE__* HINSTANCE;
struct HWND__;  // NOLINT(bugprone-reserved-identifier): the platform's name
typedef HWND__* HWND;
typedef HINSTANCE HMODULE;
// An address from GetProcAddressW, cast to the function's own type by the caller. Declared with
// no result so that the cast is accepted without a warning.
typedef void(WINAPI* FARPROC)();

typedef struct _SECURITY_ATTRIBUTES {  // NOLINT(bugprone-reserved-identifier): the platform's name
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OSVERSIONINFOW {  // NOLINT(bugprone-reserved-identifier): the platform's name
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
} OSVERSIONINFOW, *LPOSVERSIONINFOW;
typedef OSVERSIONINFOW OSVERSIONINFO;
typedef LPOSVERSIONINFOW LPOSVERSIONINFO;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#define MAX_PATH 260

// Predefined root keys. HKEY_USERS and the others exist on the device but the system never uses
// them; the stand-in answers ERROR_INVALID_HANDLE for them.
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)

// Error codes.
#define ERROR_SUCCESS 0L
#define NO_ERROR 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_NOT_READY 21L
#define ERROR_GEN_FAILURE 31L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_NAME 123L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_BUSY 170L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L
#define ERROR_NOT_OWNER 288L
#define ERROR_REGISTRY_IO_FAILED 1016L
#define ERROR_KEY_DELETED 1018L

// Registry value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_RESOURCE_LIST 8
#define REG_QWORD 11

// Key access rights. Windows CE ignores them; they are accepted and not checked.
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_OPTION_NON_VOLATILE 0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

// SystemParametersInfoW actions.
#define SPI_GETPLATFORMTYPE 257

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

// CreateFileW creation dispositions.
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u

// keybd_event.
#define KEYEVENTF_EXTENDEDKEY 0x0001
#define KEYEVENTF_KEYUP 0x0002
#define VK_OFF 0xDF

typedef struct _OVERLAPPED {  // NOLINT(bugprone-reserved-identifier): the platform's name
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

#define VER_PLATFORM_WIN32_CE 3

// ExitWindowsEx flags (aygshell.dll).
#define EWX_LOGOFF 0
#define EWX_SHUTDOWN 1
#define EWX_REBOOT 2
#define EWX_FORCE 4
#define EWX_POWEROFF 8

extern "C" {

// Error state of the calling thread.
CEPLATFORM_API DWORD WINAPI GetLastError(void);
CEPLATFORM_API void WINAPI SetLastError(DWORD dwErrCode);

// ---- Registry ----------------------------------------------------------------------------------
// Keys and value names are case-insensitive and case-preserving. In a key path a leading or
// trailing backslash and empty components are ignored; a component is at most 255 characters.
// The empty (or null) value name is the key's unnamed default value. Data is stored byte for
// byte with its type. A handle belongs to the process that opened it and to the device that was
// current then; after RegCloseKey it is invalid (ERROR_INVALID_HANDLE). A key deleted by another
// process makes later calls on a handle to it fail with ERROR_KEY_DELETED.

// Opens, or creates with every missing intermediate key, hKey\lpSubKey. lpSubKey must not be
// null; "" opens a new handle to hKey itself. *lpdwDisposition (if given) gets
// REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. On failure *phkResult is set to null.
// Creation is one transaction: concurrent creators of one key both succeed, one of them with
// REG_CREATED_NEW_KEY.
CEPLATFORM_API LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved,
                                           LPWSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                                           LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                           PHKEY phkResult, LPDWORD lpdwDisposition);

// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist (*phkResult set to null).
// A null or empty lpSubKey opens a new handle to hKey itself.
CEPLATFORM_API LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions,
                                         REGSAM samDesired, PHKEY phkResult);

// Closes a handle. The predefined root keys may be "closed" any number of times.
CEPLATFORM_API LONG WINAPI RegCloseKey(HKEY hKey);

// Reads a value. lpReserved must be null. With lpData null and lpcbData given: the type and the
// size in bytes. With a buffer of *lpcbData bytes that is too small: ERROR_MORE_DATA, the size
// needed in *lpcbData and the buffer untouched. lpData without lpcbData: ERROR_INVALID_PARAMETER.
// Missing value: ERROR_FILE_NOT_FOUND, nothing written to the out-parameters.
CEPLATFORM_API LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved,
                                            LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);

// Creates or replaces a value, stored byte for byte with dwType (the name keeps the case it had
// when the value was first created). The write and its change-log row are one transaction.
CEPLATFORM_API LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved,
                                          DWORD dwType, const BYTE* lpData, DWORD cbData);

// Deletes a value; ERROR_FILE_NOT_FOUND when it does not exist.
CEPLATFORM_API LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);

// ---- Device queries ----------------------------------------------------------------------------

// SPI_GETPLATFORMTYPE: copies the profile's platform text ("SmartPhone", "PocketPC", ...) into
// pvParam, a buffer of uiParam bytes; FALSE with ERROR_INSUFFICIENT_BUFFER when it does not fit.
// Other actions: FALSE with ERROR_INVALID_PARAMETER.
CEPLATFORM_API BOOL WINAPI SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam,
                                                 UINT fWinIni);

// Fills the record from the profile (platform id VER_PLATFORM_WIN32_CE). Its
// dwOSVersionInfoSize must be sizeof(OSVERSIONINFOW), 276; else FALSE with
// ERROR_INSUFFICIENT_BUFFER and the record untouched.
CEPLATFORM_API BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW lpVersionInformation);

// ---- Modules -----------------------------------------------------------------------------------
// The device's optional modules are emulated; the profile says which exist. A name matches
// without regard to case, with or without a leading "\Windows\". Missing: NULL with
// ERROR_MOD_NOT_FOUND. GetProcAddressW: NULL with ERROR_PROC_NOT_FOUND for an unknown name.
//   "aygshell.dll": "ExitWindowsEx" (BOOL (UINT uFlags, DWORD dwReserved)); EWX_REBOOT records a
//   restart in the device journal and returns TRUE; other flags fail with ERROR_NOT_SUPPORTED.
//   "BthUtil.dll": "BthGetMode" (int (DWORD* pdwMode)) gives the radio's mode from the profile
//   (0 off, 1 connectable, 2 discoverable); "BthSetMode" (int (DWORD dwMode)) stores it and
//   records it in the journal. Both return ERROR_SUCCESS or a Win32 error code.
CEPLATFORM_API HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
CEPLATFORM_API FARPROC WINAPI GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName);
// Releases a module handle of LoadLibraryW; FALSE with ERROR_INVALID_HANDLE for anything else.
CEPLATFORM_API BOOL WINAPI FreeLibrary(HMODULE hLibModule);

// ---- Kernel objects ----------------------------------------------------------------------------
// A HANDLE belongs to the process that opened it; it is never NULL or INVALID_HANDLE_VALUE when
// valid. CloseHandle releases it (FALSE with ERROR_INVALID_HANDLE when it is not open).
CEPLATFORM_API BOOL WINAPI CloseHandle(HANDLE hObject);

// Creates a named mutex, or opens it when one of that name exists on the current device (in this
// or any other live process): then the last error is ERROR_ALREADY_EXISTS, else 0. Names are
// compared without regard to case. The mutex exists while some live process holds a handle to
// it; a process that ends, however it ends, releases its handles. A null or empty name makes a
// private mutex. With bInitialOwner the calling thread owns it at once (as after a wait). NULL
// with ERROR_NOT_READY when there is no device, ERROR_ACCESS_DENIED when the device cannot hold
// it (a read-only device).
CEPLATFORM_API HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes,
                                          BOOL bInitialOwner, LPCWSTR lpName);

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

// Waits until the calling thread owns the mutex, for at most dwMilliseconds (INFINITE: for
// ever; 0: a test that does not wait). A mutex is owned by one thread of one process on the
// device at a time; the owning thread may wait on it again, through any handle, and must release
// it as many times. WAIT_OBJECT_0 when it owns it; WAIT_ABANDONED when it owns it but the former
// owner ended (or closed its handle) without releasing it, so that what it guarded may be half
// done; WAIT_TIMEOUT when the time ran out; WAIT_FAILED with ERROR_INVALID_HANDLE for a handle
// that is not an open mutex (only mutexes can be waited for here).
CEPLATFORM_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

// Releases one ownership of the mutex by the calling thread; the mutex is free once every wait
// has been released. FALSE with ERROR_NOT_OWNER when the thread does not own it, with
// ERROR_INVALID_HANDLE for a handle that is not an open mutex.
CEPLATFORM_API BOOL WINAPI ReleaseMutex(HANDLE hMutex);

// Opens a stream device ("BAG0:", a three-letter prefix, an index and a colon) present in the
// profile; dwCreationDisposition must be OPEN_EXISTING. A missing device: INVALID_HANDLE_VALUE
// with ERROR_FILE_NOT_FOUND. Paths of ordinary files are not supported (ERROR_NOT_SUPPORTED):
// the system reaches files through _wfopen and the standard streams.
CEPLATFORM_API HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess,
                                         DWORD dwShareMode,
                                         LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                         DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                                         HANDLE hTemplateFile);

// Sends a control code to an open stream device. Each call is recorded in the device journal.
// "BAG0:" (Bluetooth audio gateway): code 1 routes sound to the headset, 2 back to the speaker;
// both fail with ERROR_NOT_READY while the radio is off (mode 0); other codes fail with
// ERROR_INVALID_PARAMETER.
CEPLATFORM_API BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuf,
                                           DWORD nInBufSize, LPVOID lpOutBuf, DWORD nOutBufSize,
                                           LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped);

// ---- Files -------------------------------------------------------------------------------------
// Device paths ("\Windows\Start Menu\Alarm.lnk") name files under the device folder's fs/.
// Components are matched without regard to case; "." and ".." are resolved within the device's
// root, and a symbolic link is never followed, so no path reaches outside fs/.

// Deletes a file. FALSE with ERROR_FILE_NOT_FOUND (missing), ERROR_PATH_NOT_FOUND (missing
// folder) or ERROR_ACCESS_DENIED (a folder, a symbolic link, or a file that cannot be removed).
CEPLATFORM_API BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);

// The runtime's wide stream open (on the device in <stdio.h>): opens a device path with mode
// "r", "w" or "a" (with "+", "b" or "t"; text and binary are the same here). Returns a standard
// stream to close with fclose, or NULL with errno set (ENOENT for a missing file or folder,
// ELOOP for a symbolic link, EISDIR for a folder, EACCES for anything but a regular file).
CEPLATFORM_API FILE* _wfopen(const WCHAR* filename,  // NOLINT(bugprone-reserved-identifier)
                             const WCHAR* mode);

// ---- Keyboard and time -------------------------------------------------------------------------

// Sends a key event to the device; each event is recorded in the device journal
// ("key 0xDF down", "key 0xDF up").
CEPLATFORM_API void WINAPI keybd_event(BYTE bVk, BYTE bScan, DWORD dwFlags, DWORD dwExtraInfo);

// Suspends the calling thread for dwMilliseconds.
CEPLATFORM_API void WINAPI Sleep(DWORD dwMilliseconds);

}  // extern "C"

// The runtime's wide formatted write, as on the device: "%s" takes a wide text, "%d" an int,
// "%%" a percent sign; each wide character is written as one byte of the device's code page
// (Latin-1 here; others become '?'). Returns the characters written, or -1 for a conversion it
// does not know (nothing is written then) or a failed write (part may have been written). An
// overload beside the host's own fwprintf.
CEPLATFORM_API int fwprintf(FILE* stream, const WCHAR* format, ...);

// The window system and the shell's user interface, implemented by the CeWindow library: here
// for the programs that link it (as on the device, <windows.h> brings <winuser.h> along).
#if __has_include(<winuser.h>)
#include <winuser.h>
#endif
