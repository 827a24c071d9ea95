#include "FirstBackupLock.h"

namespace {

const WCHAR kMutexName[] = u"QuenvaleFirstBackup";

}  // namespace

CFirstBackupLock::CFirstBackupLock()
    : m_mutex(CreateMutexW(nullptr, FALSE, kMutexName)), m_held(false) {
    if (m_mutex == nullptr) return;
    const DWORD result = WaitForSingleObject(m_mutex, kWaitMs);
    m_held = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

CFirstBackupLock::~CFirstBackupLock() {
    if (m_held) ReleaseMutex(m_mutex);
    if (m_mutex != nullptr) CloseHandle(m_mutex);
}
