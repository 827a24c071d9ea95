// The shell's shortcut files: a Start-menu entry is a small text file "N#target", N being the
// number of characters of the target in decimal, written in the device's code page (Latin-1
// here; other characters become '?').
#pragma once

#include <windows.h>

extern "C" {

// Creates the shortcut file szShortcut (a device path) that starts szTarget (a program path,
// quoted when it holds blanks, then optionally its command line). Non-zero on success. Fails,
// writing nothing, when the file exists (ERROR_FILE_EXISTS), its folder does not
// (ERROR_PATH_NOT_FOUND), the path is refused or the device read-only (ERROR_ACCESS_DENIED), the
// disk is full (ERROR_DISK_FULL), an argument is null or empty (ERROR_INVALID_PARAMETER), or
// there is no device (ERROR_NOT_READY).
CEPLATFORM_API DWORD WINAPI SHCreateShortcut(LPWSTR szShortcut, LPWSTR szTarget);
}
