// CFirstBackupLock: the device-wide mutex under which a tweak's first backup is checked, taken and
// marked done, as one step across processes. Without it two processes starting at once (two taps
// of a toggle shortcut) could both find "BackupDone" unset, and the later one would back up the
// state that the earlier one had already changed, losing the original for good.
#pragma once

#include <windows.h>

class CFirstBackupLock {
public:
    // Waits up to kWaitMs for the lock; IsHeld() tells whether it was taken. A former holder that
    // ended without releasing it leaves nothing half done that matters: "BackupDone" is written
    // last, so an interrupted backup is simply taken again.
    CFirstBackupLock();
    ~CFirstBackupLock();
    CFirstBackupLock(const CFirstBackupLock&) = delete;
    CFirstBackupLock& operator=(const CFirstBackupLock&) = delete;

    bool IsHeld() const { return m_held; }

    // A backup of every tweak takes milliseconds; a holder that keeps it longer is stuck.
    static constexpr DWORD kWaitMs = 10000;

private:
    HANDLE m_mutex;
    bool m_held;
};
