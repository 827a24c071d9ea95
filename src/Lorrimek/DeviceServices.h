// What kind of device the library runs on, and its restart. Free functions without state: each
// call asks the platform afresh.
#pragma once

// Platform types.
constexpr int kPlatformOther = 0;
constexpr int kPlatformPocketPC = 1;
constexpr int kPlatformSmartphone = 2;

// 2 for the platform text "SmartPhone", 1 for "PocketPC" (exact, case-sensitive), 0 for any other
// text or when the platform cannot be asked.
int GetPlatformType();

// The OS version class: major 0-2 → 1, 3 → 2, 4.0-4.20 → 3, 4.21 and later 4.x → 4, 5 → 5,
// 6 → 6, 7 and later → 7. 1 when the version cannot be read.
int GetOSVersionClass();

// Restarts the device through "ExitWindowsEx" of "aygshell.dll" (EWX_REBOOT). Returns its nonzero
// success, or 0 when the module or the function is missing (nothing is called then).
int ResetDevice();
