// The device's file system: device paths mapped under the device folder's fs/, DeleteFileW and
// the wide stream functions.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <windows.h>

#include <cerrno>
#include <cstdarg>
#include <system_error>

#include "device/DeviceImpl.h"
#include "files/CodePage.h"

namespace fs = std::filesystem;

namespace ce {

namespace {

// The entry of `folder` whose name equals `name` without regard to case; `name` itself when there
// is none (a file about to be created).
fs::path MatchEntry(const fs::path& folder, std::u16string_view name) {
    std::error_code ec;
    if (fs::exists(folder / ToUtf8(name), ec)) return folder / ToUtf8(name);
    const std::string wanted = FoldKey(name);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (FoldKey(FromUtf8(entry)) == wanted) return it->path();
    }
    return folder / ToUtf8(name);
}

// True when `path` (resolved through any symbolic links) lies inside `root`.
bool Inside(const fs::path& root, const fs::path& path) {
    std::error_code ec;
    const fs::path base = fs::weakly_canonical(root, ec);
    if (ec) return false;
    const fs::path real = fs::weakly_canonical(path, ec);
    if (ec) return false;
    auto b = base.begin();
    auto r = real.begin();
    for (; b != base.end(); ++b, ++r) {
        if (r == real.end() || *b != *r) return false;
    }
    return true;
}

// The host path of a device path on the current device, or empty with the last error set.
fs::path HostPathOrError(LPCWSTR path) {
    if (!path || !*path) {
        SetLastError(path ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return {};
    }
    return OnCurrentDevice(fs::path(), [&](Device& device) {
        try {
            return device.HostPath(path);
        } catch (const DeviceError&) {
            SetLastError(ERROR_ACCESS_DENIED);
            return fs::path();
        }
    });
}

}  // namespace

fs::path Device::HostPath(std::u16string_view devicePath) const {
    const fs::path root = FilesRoot();
    // Components in order, with "." dropped and ".." taking one back (never above the root).
    std::vector<std::u16string_view> parts;
    for (size_t start = 0, end; start <= devicePath.size(); start = end + 1) {
        end = std::min(devicePath.find_first_of(u"\\/", start), devicePath.size());
        const std::u16string_view part = devicePath.substr(start, end - start);
        if (part.empty() || part == u".") continue;
        if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        if (part.find(u'\0') != std::u16string_view::npos) {
            throw DeviceError("bad device path: it holds a zero character");
        }
        parts.push_back(part);
    }
    // The device's file system has no symbolic links: one found on the way (dangling or not)
    // could lead outside it, so it is refused.
    fs::path host = root;
    for (std::u16string_view part : parts) {
        host = MatchEntry(host, part);
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(host, ec))) {
            throw DeviceError("device path " + ToUtf8(devicePath) + " meets a symbolic link at " +
                              host.string());
        }
    }
    if (!Inside(root, host)) {
        throw DeviceError("device path " + ToUtf8(devicePath) + " leads outside " + root.string());
    }
    return host;
}

}  // namespace ce

using namespace ce;

extern "C" {

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
    const fs::path host = HostPathOrError(lpFileName);
    if (host.empty()) return FALSE;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(host, ec);
    if (!fs::exists(status)) {
        SetLastError(fs::is_directory(host.parent_path(), ec) ? ERROR_FILE_NOT_FOUND
                                                              : ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (fs::is_directory(status) || !fs::remove(host, ec)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
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
    const fs::path host = HostPathOrError(filename);
    if (host.empty()) {
        errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
        return nullptr;
    }
    // Only regular files: a folder, or anything else the host may have put there (a pipe would
    // block the caller), cannot be opened.
    std::error_code ec;
    const fs::file_status status = fs::status(host, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        errno = fs::is_directory(status) ? EISDIR : EACCES;
        return nullptr;
    }
    return std::fopen(host.c_str(), hostMode.c_str());
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
