// Handle table and CloseHandle.
#include "kernel/Handles.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace ce {

namespace {

// Handle values start high and step by 4, as the platform's do, so that a small integer or a
// registry root is never taken for one.
constexpr uintptr_t kFirstHandle = 0x4000;

struct Table {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t next = kFirstHandle;
};

Table& Handles() {
    static auto* table = new Table;  // never destroyed: objects may be closed during exit
    return *table;
}

// Like a process that ends on the device, one that exits here closes every handle it still has,
// so that what its objects hold (a named mutex's lock file) is released and cleaned up.
void CloseAllHandles() {
    std::map<uintptr_t, std::shared_ptr<KernelObject>> objects;  // destroyed outside the lock
    Table& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    objects.swap(table.objects);
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
    static const bool closedAtExit = std::atexit(CloseAllHandles) == 0;
    (void)closedAtExit;
    Table& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    const uintptr_t value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> FindHandle(HANDLE handle) {
    Table& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

bool RemoveHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> object;  // destroyed outside the lock
    Table& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (found == table.objects.end()) return false;
    object = std::move(found->second);
    table.objects.erase(found);
    return true;
}

}  // namespace ce

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (ce::RemoveHandle(hObject)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
