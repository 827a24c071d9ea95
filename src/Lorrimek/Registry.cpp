#include <Lorrimek/Registry.h>

#include <algorithm>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace {

// How often a text read asks again for the size when another process makes the value grow
// between the size query and the data query.
constexpr int kTextReadAttempts = 4;

// Bytes of a text with its terminating zero, or 0 when that does not fit in a DWORD.
DWORD TextBytes(LPCWSTR text) {
    const size_t length = std::char_traits<WCHAR>::length(text);
    if (length >= std::numeric_limits<DWORD>::max() / sizeof(WCHAR)) return 0;
    return static_cast<DWORD>((length + 1) * sizeof(WCHAR));
}

// What the second step of a text read found.
enum class TextRead { kRead, kOtherType, kMissing, kUnreadable };

}  // namespace

CRegistry::CRegistry(HKEY root, LPCWSTR path, BOOL create) : m_hKey(nullptr), m_dwDisposition(0) {
    if (path == nullptr) return;  // no key to name
    LONG result;
    if (create) {
        result = RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                 nullptr, &m_hKey, &m_dwDisposition);
    } else {
        result = RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &m_hKey);
    }
    if (result != ERROR_SUCCESS) m_hKey = nullptr;
}

CRegistry::CRegistry(HKEY root, const CWideString& path)
    : CRegistry(root, path.GetString(), TRUE) {}

CRegistry::~CRegistry() {
    if (m_hKey != nullptr) RegCloseKey(m_hKey);
}

DWORD CRegistry::ReadDWORD(LPCWSTR name, DWORD defaultValue) {
    // A stored value shorter than 4 bytes reads as its bytes followed by zeros.
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (m_hKey != nullptr &&
        RegQueryValueExW(m_hKey, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(&value), &size) ==
            ERROR_SUCCESS) {
        return value;
    }
    if (defaultValue != kReadDefaultSentinel) WriteDWORD(name, defaultValue);
    return defaultValue;
}

DWORD CRegistry::ReadDWORD(const CWideString& name, DWORD defaultValue) {
    return ReadDWORD(name.GetString(), defaultValue);
}

BOOL CRegistry::WriteDWORD(LPCWSTR name, DWORD value) {
    if (m_hKey == nullptr) return FALSE;
    return RegSetValueExW(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

BOOL CRegistry::WriteDWORD(const CWideString& name, DWORD value) {
    return WriteDWORD(name.GetString(), value);
}

BOOL CRegistry::SetValue(LPCWSTR name, DWORD type, LPCWSTR text) {
    if (text == nullptr || m_hKey == nullptr) return FALSE;
    const DWORD size = TextBytes(text);
    if (size == 0) return FALSE;
    return RegSetValueExW(m_hKey, name, 0, type, reinterpret_cast<const BYTE*>(text), size) ==
           ERROR_SUCCESS;
}

BOOL CRegistry::WriteString(LPCWSTR name, LPCWSTR text) { return SetValue(name, REG_SZ, text); }

BOOL CRegistry::WriteString(const CWideString& name, const CWideString& text) {
    return WriteString(name.GetString(), text.GetString());
}

BOOL CRegistry::WriteMultiString(LPCWSTR name, LPCWSTR text) {
    return SetValue(name, REG_MULTI_SZ, text);
}

BOOL CRegistry::WriteMultiString(const CWideString& name, const CWideString& text) {
    return WriteMultiString(name.GetString(), text.GetString());
}

CWideString CRegistry::ReadText(LPCWSTR name, LPCWSTR defaultText, DWORD expectedType) {
    try {
        TextRead outcome = TextRead::kMissing;
        std::u16string text;
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (m_hKey != nullptr &&
            RegQueryValueExW(m_hKey, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            outcome = TextRead::kUnreadable;
            for (int attempt = 0; attempt < kTextReadAttempts; ++attempt) {
                if (type != expectedType) {
                    outcome = TextRead::kOtherType;
                    break;
                }
                // One spare character, zeroed, so that an odd size or a text stored without its
                // terminating zero never leads past the buffer.
                std::vector<WCHAR> buffer(size / sizeof(WCHAR) + 1, 0);
                const size_t capacity = buffer.size() * sizeof(WCHAR);
                DWORD received = static_cast<DWORD>(
                    std::min<size_t>(capacity, std::numeric_limits<DWORD>::max()));
                const LONG result =
                    RegQueryValueExW(m_hKey, name, nullptr, &type,
                                     reinterpret_cast<LPBYTE>(buffer.data()), &received);
                if (result == ERROR_SUCCESS) {
                    if (type != expectedType) {
                        outcome = TextRead::kOtherType;
                        break;
                    }
                    const size_t count = std::min<size_t>(received, capacity) / sizeof(WCHAR);
                    const WCHAR* first = buffer.data();
                    text.assign(first, std::find(first, first + count, WCHAR{0}));
                    outcome = TextRead::kRead;
                    break;
                }
                if (result != ERROR_MORE_DATA) {
                    outcome = TextRead::kMissing;
                    break;
                }
                // Another process made the value longer: ask for its size again.
                type = REG_NONE;
                size = 0;
                if (RegQueryValueExW(m_hKey, name, nullptr, &type, nullptr, &size) !=
                    ERROR_SUCCESS) {
                    outcome = TextRead::kMissing;
                    break;
                }
            }
        }
        switch (outcome) {
            case TextRead::kRead:
                return CWideString(std::u16string_view(text));
            case TextRead::kMissing:
                if (defaultText == nullptr) return CWideString();
                WriteString(name, defaultText);
                return CWideString(defaultText);
            case TextRead::kOtherType:
            case TextRead::kUnreadable:
                // The value exists but cannot be taken as a text now: it is left as it is.
                break;
        }
        return CWideString(defaultText);
    } catch (const std::bad_alloc&) {
        // A value too large to hold in memory is left as it is.
    }
    try {
        return CWideString(defaultText);
    } catch (const std::bad_alloc&) {
        return CWideString();
    }
}

CWideString CRegistry::ReadString(LPCWSTR name, LPCWSTR defaultText) {
    return ReadText(name, defaultText, REG_SZ);
}

CWideString CRegistry::ReadString(const CWideString& name, const CWideString& defaultText) {
    return ReadString(name.GetString(), defaultText.GetString());
}

CWideString CRegistry::ReadMultiString(LPCWSTR name, LPCWSTR defaultText) {
    return ReadText(name, defaultText, REG_MULTI_SZ);
}

CWideString CRegistry::ReadMultiString(const CWideString& name, const CWideString& defaultText) {
    return ReadMultiString(name.GetString(), defaultText.GetString());
}

BOOL CRegistry::DeleteValue(LPCWSTR name) {
    if (m_hKey == nullptr) return FALSE;
    return RegDeleteValueW(m_hKey, name) == ERROR_SUCCESS;
}

BOOL CRegistry::QueryValueType(LPCWSTR name, DWORD* type) const {
    if (m_hKey == nullptr) return FALSE;
    DWORD storedType = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExW(m_hKey, name, nullptr, &storedType, nullptr, &size) != ERROR_SUCCESS) {
        return FALSE;
    }
    if (type != nullptr) *type = storedType;
    return TRUE;
}
