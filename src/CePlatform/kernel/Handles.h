// The process's table of kernel object handles (stream devices, mutexes), shared by the
// functions that open them and by CloseHandle.
#pragma once

#include <windows.h>

#include <memory>

namespace ce {

// A kernel object behind a HANDLE. Its destructor runs when the last handle to it is closed (or
// at process exit), and releases what the object holds.
class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Registers `object` and returns a new handle to it: never NULL or INVALID_HANDLE_VALUE, never
// reused within the process. Thread-safe.
HANDLE AddHandle(std::shared_ptr<KernelObject> object);

// The object behind an open handle of this process, or null.
std::shared_ptr<KernelObject> FindHandle(HANDLE handle);

// The object as `T`, or null when the handle is not open or is another kind of object.
template <typename T>
std::shared_ptr<T> FindHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

// Removes a handle; false when it was not open.
bool RemoveHandle(HANDLE handle);

}  // namespace ce
