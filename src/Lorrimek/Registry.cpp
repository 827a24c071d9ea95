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

// What a text read found.
enum class ETextRead {
    Read,      // the text
    Missing,   // no value to read (nor a key)
    Unusable,  // a value of another type, or one that kept growing while it was read
};

// The default text, or the empty text when even that cannot be allocated.
CWideString DefaultText(LPCWSTR defaultText) {
    try {
        return CWideString(defaultText);
    } catch (const std::bad_alloc&) {
        return CWideString();
    }
}

// The value's type and size, asked without a buffer.
bool QuerySize(HKEY key, LPCWSTR name, DWORD* type, DWORD* size) {
    *type = REG_NONE;
    *size = 0;
    return RegQueryValueExW(key, name, nullptr, type, nullptr, size) == ERROR_SUCCESS;
}

// The value's text up to its first zero, read into a buffer for `size` bytes.
LONG QueryText(HKEY key, LPCWSTR name, DWORD size, DWORD* type, std::u16string* text) {
    // One spare character, zeroed, so that an odd size or a text stored without its terminating
    // zero never leads past the buffer.
    std::vector<WCHAR> buffer(size / sizeof(WCHAR) + 1, 0);
    const size_t capacity = buffer.size() * sizeof(WCHAR);
    DWORD received =
        static_cast<DWORD>(std::min<size_t>(capacity, std::numeric_limits<DWORD>::max()));
    const LONG result = RegQueryValueExW(key, name, nullptr, type,
                                         reinterpret_cast<LPBYTE>(buffer.data()), &received);
    if (result == ERROR_SUCCESS) {
        const size_t count = std::min<size_t>(received, capacity) / sizeof(WCHAR);
        text->assign(buffer.data(), std::find(buffer.data(), buffer.data() + count, WCHAR{0}));
    }
    return result;
}

// The size query, then the data query; when another process makes the value longer between the
// two, the size is asked again, a few times at most.
ETextRead FindText(HKEY key, LPCWSTR name, DWORD expectedType, std::u16string* text) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (key == nullptr || !QuerySize(key, name, &type, &size)) return ETextRead::Missing;
    for (int attempt = 0; attempt < kTextReadAttempts; ++attempt) {
        if (type != expectedType) return ETextRead::Unusable;
        const LONG result = QueryText(key, name, size, &type, text);
        if (result == ERROR_SUCCESS) {
            return type == expectedType ? ETextRead::Read : ETextRead::Unusable;
        }
        if (result != ERROR_MORE_DATA || !QuerySize(key, name, &type, &size)) {
            return ETextRead::Missing;
        }
    }
    return ETextRead::Unusable;
}

}  // namespace

CRegistry::CRegistry(HKEY root, LPCWSTR path, BOOL create) : m_key(nullptr), m_disposition(0) {
    if (path == nullptr) return;  // no key to name
    LONG result;
    if (create) {
        result = RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                 nullptr, &m_key, &m_disposition);
    } else {
        result = RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &m_key);
    }
    if (result != ERROR_SUCCESS) m_key = nullptr;
}

CRegistry::CRegistry(HKEY root, const CWideString& path)
    : CRegistry(root, path.GetString(), TRUE) {}

CRegistry::~CRegistry() {
    if (m_key != nullptr) RegCloseKey(m_key);
}

DWORD CRegistry::ReadDWORD(LPCWSTR name, DWORD defaultValue) {
    // A stored value shorter than 4 bytes reads as its bytes followed by zeros.
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (m_key != nullptr &&
        RegQueryValueExW(m_key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(&value), &size) ==
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
    if (m_key == nullptr) return FALSE;
    return RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

BOOL CRegistry::WriteDWORD(const CWideString& name, DWORD value) {
    return WriteDWORD(name.GetString(), value);
}

BOOL CRegistry::SetValue(LPCWSTR name, DWORD type, LPCWSTR text) {
    if (text == nullptr || m_key == nullptr) return FALSE;
    const DWORD size = TextBytes(text);
    if (size == 0) return FALSE;
    return RegSetValueExW(m_key, name, 0, type, reinterpret_cast<const BYTE*>(text), size) ==
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
        std::u16string text;
        switch (FindText(m_key, name, expectedType, &text)) {
            case ETextRead::Read:
                return CWideString(std::u16string_view(text));
            case ETextRead::Missing:
                if (defaultText != nullptr) WriteString(name, defaultText);
                break;
            case ETextRead::Unusable:
                break;  // the value is left as it is
        }
    } catch (const std::bad_alloc&) {
        // A value too large to hold in memory is left as it is.
    }
    return DefaultText(defaultText);
}

BOOL CRegistry::ReadExistingText(LPCWSTR name, DWORD type, CWideString* text) const {
    try {
        std::u16string found;
        if (FindText(m_key, name, type, &found) != ETextRead::Read) return FALSE;
        *text = CWideString(std::u16string_view(found));
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
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
    if (m_key == nullptr) return FALSE;
    return RegDeleteValueW(m_key, name) == ERROR_SUCCESS;
}

BOOL CRegistry::DeleteValueIfPresent(LPCWSTR name) {
    return DeleteValue(name) || !QueryValueType(name, nullptr);
}

BOOL CRegistry::QueryValueType(LPCWSTR name, DWORD* type) const {
    if (m_key == nullptr) return FALSE;
    DWORD storedType = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExW(m_key, name, nullptr, &storedType, nullptr, &size) != ERROR_SUCCESS) {
        return FALSE;
    }
    if (type != nullptr) *type = storedType;
    return TRUE;
}
