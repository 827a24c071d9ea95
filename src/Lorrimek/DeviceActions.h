// The device actions of the action tweaks: the Bluetooth radio, the Bluetooth audio routing, the
// power key and the restart. Each call asks the platform afresh and keeps nothing loaded or open
// after it returns. Results are tweak error codes: kTweakOk, or kTweakDeviceToggleFailed when the
// platform's module, function or device is missing or the call fails (nothing missing is called).
#pragma once

#include <windows.h>

// True when the radio is on: BthGetMode of "BthUtil.dll" reports 1 (connectable) or 2
// (discoverable). False also when the mode cannot be read.
BOOL IsBluetoothOn();
// Reads the mode, then switches the radio off (mode 0) when it is 1 or 2, and on, discoverable
// (mode 2), for any other mode.
int ToggleBluetooth();
// Opens "BAG0:", sends `code` (1 headset, 2 speaker) and closes it.
int SendAudioControl(DWORD code);
// Presses and releases the power-off key, then waits 100 ms.
int PressPowerKey();
// Asks the shell to restart the device.
int RestartDevice();
