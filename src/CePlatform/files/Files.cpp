// DeleteFileW and the wide stream functions on the device's file system, through the walk of
// device paths that never leaves fs/ (files/DevicePaths.h).
#include <CePlatform/Device.h>
#include <fcntl.h>
#include <windows.h>

#include <cerrno>
#include <cstdarg>
#include <string>

#include "device/DeviceImpl.h"
#include "files/CodePage.h"
#include "files/DevicePaths.h"

using namespace ce;

namespace {

// Runs `call(Device&)` for a file function given the device path `path`. A null path fails with
// ERROR_INVALID_PARAMETER, an empty one with ERROR_PATH_NOT_FOUND, no device with ERROR_NOT_READY;
// errno follows (EINVAL, ENOENT, ENODEV; EIO for an unexpected failure).
template <typename Result, typename Call>
Result OnDevicePath(LPCWSTR path, Result failure, Call&& call) {
    if (!path || !*path) {
        SetLastError(path ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        errno = path ? ENOENT : EINVAL;
        return failure;
    }
    bool answered = false;
    const Result result = OnCurrentDevice(failure, [&](Device& device) {
        const Result r = call(device);
        answered = true;
        return r;
    });
    if (!answered) errno = GetLastError() == ERROR_NOT_READY ? ENODEV : EIO;
    return result;
}

}  // namespace

extern "C" {

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
    return OnDevicePath(lpFileName, FALSE, [&](Device& device) -> BOOL {
        return DeleteDeviceFile(device, lpFileName) ? TRUE : FALSE;
    });
}

FILE* _wfopen(const WCHAR* filename, const WCHAR* mode) {  // NOLINT(bugprone-reserved-identifier)
    // One of "r", "w", "a", then at most one "+" and one of "b" or "t" (the device's text and
    // binary modes are the same here).
    std::string hostMode;
    bool plus = false, kind = false;
    for (const WCHAR* m = mode; m && *m; ++m) {
        const bool first = m == mode;
        if (first && (*m == u'r' || *m == u'w' || *m == u'a')) {
            hostMode += static_cast<char>(*m);
        } else if (!first && *m == u'+' && !plus) {
            plus = true;
            hostMode += '+';
        } else if (!first && (*m == u'b' || *m == u't') && !kind) {
            kind = true;
        } else {
            hostMode.clear();
            break;
        }
    }
    if (hostMode.empty()) {
        errno = EINVAL;
        return nullptr;
    }
    int flags = plus ? O_RDWR : hostMode[0] == 'r' ? O_RDONLY : O_WRONLY;
    if (hostMode[0] == 'w') flags |= O_CREAT | O_TRUNC;
    if (hostMode[0] == 'a') flags |= O_CREAT | O_APPEND;
    // Only regular files, reached without following a link: the stream is made on what the walk
    // of the device path opened.
    return OnDevicePath(filename, static_cast<FILE*>(nullptr), [&](Device& device) -> FILE* {
        UniqueFd file = OpenDeviceFile(device, filename, flags);
        if (!file) return nullptr;
        FILE* stream = fdopen(file.Get(), hostMode.c_str());
        if (stream != nullptr) file.Release();
        return stream;
    });
}

}  // extern "C"

int fwprintf(FILE* stream, const WCHAR* format, ...) {
    if (!stream || !format) {
        errno = EINVAL;
        return -1;
    }
    std::string out;
    int written = 0;  // characters, as the device counts them
    va_list args;
    va_start(args, format);
    for (const WCHAR* f = format; *f; ++f) {
        if (*f != u'%') {
            out += NarrowChar(*f);
            ++written;
            continue;
        }
        ++f;
        if (*f == u'%') {
            out += '%';
            ++written;
        } else if (*f == u's') {
            const WCHAR* text = va_arg(args, const WCHAR*);
            if (!text) text = u"(null)";
            for (; *text; ++text, ++written) out += NarrowChar(*text);
        } else if (*f == u'd') {
            const std::string number = std::to_string(va_arg(args, int));
            out += number;
            written += static_cast<int>(number.size());
        } else {
            // A conversion this stand-in does not know: nothing is written.
            va_end(args);
            errno = EINVAL;
            return -1;
        }
    }
    va_end(args);
    if (std::fwrite(out.data(), 1, out.size(), stream) != out.size()) return -1;
    return written;
}
