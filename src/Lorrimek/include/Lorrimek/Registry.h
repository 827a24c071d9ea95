// CRegistry: one open registry key for the object's whole life, and the system's rules for
// reading and writing single values of it.
//
// The read rules are deliberate and callers depend on them:
// - ReadDWORD with any default but kReadDefaultSentinel writes the default into a value that
//   cannot be read as 4 bytes (missing, no key, longer data), so such a read is also a write.
//   With kReadDefaultSentinel it never writes and returns the sentinel.
// - ReadString/ReadMultiString with a non-null default write it (as REG_SZ) into a missing
//   value; a value of another type gives the default without writing; a null default never
//   writes. The text ends at its first zero character and never reads past the stored size.
// An object that holds no key (opening failed) reads defaults (its write-backs fail) and fails
// every write and deletion. Booleans are 1 for true, 0 for false. Nothing here throws.
#pragma once

#include <Lorrimek/WideString.h>
#include <windows.h>

// The default of a DWORD read that has no side effect.
constexpr DWORD kReadDefaultSentinel = 57072;  // 0xDEF0

class CRegistry {
public:
    // Opens root\path; with `create` nonzero creates it (and every missing intermediate key) if
    // needed. When that fails the object holds no key.
    CRegistry(HKEY root, LPCWSTR path, BOOL create);
    // Always with the create flag.
    CRegistry(HKEY root, const CWideString& path);
    virtual ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // True when the object holds an open key.
    BOOL IsOpen() const { return m_key != nullptr; }

    DWORD ReadDWORD(LPCWSTR name, DWORD defaultValue);
    DWORD ReadDWORD(const CWideString& name, DWORD defaultValue);
    BOOL WriteDWORD(LPCWSTR name, DWORD value);
    BOOL WriteDWORD(const CWideString& name, DWORD value);

    // A null text writes nothing and returns false. Data: the text and one zero, as REG_SZ.
    BOOL WriteString(LPCWSTR name, LPCWSTR text);
    BOOL WriteString(const CWideString& name, const CWideString& text);
    // As WriteString, with the type REG_MULTI_SZ: a list holding exactly this one text.
    BOOL WriteMultiString(LPCWSTR name, LPCWSTR text);
    BOOL WriteMultiString(const CWideString& name, const CWideString& text);

    CWideString ReadString(LPCWSTR name, LPCWSTR defaultText);
    CWideString ReadString(const CWideString& name, const CWideString& defaultText);
    // The first text of a REG_MULTI_SZ list; other types give the default; a missing value gets
    // the default written as REG_SZ.
    CWideString ReadMultiString(LPCWSTR name, LPCWSTR defaultText);
    CWideString ReadMultiString(const CWideString& name, const CWideString& defaultText);

    // False also for a value that does not exist.
    BOOL DeleteValue(LPCWSTR name);

    // Deletes the value if it is there: true when none is left afterwards (it was deleted, there
    // was none, or no key is held), false when it is still there.
    BOOL DeleteValueIfPresent(LPCWSTR name);

    // True when the key holds a value of this name; its type goes to *type (if given). Never
    // writes. Lets callers tell a missing value from an empty or unreadable one.
    BOOL QueryValueType(LPCWSTR name, DWORD* type) const;
    // Reads a text value of `type` (REG_SZ or REG_MULTI_SZ) without ever writing: true with the
    // text (up to its first zero character) in *text when the value exists with that type and was
    // read whole; false, leaving *text as it was, when it is missing, of another type, vanishes or
    // changes type while it is read, or cannot be held in memory.
    BOOL ReadExistingText(LPCWSTR name, DWORD type, CWideString* text) const;

private:
    BOOL SetValue(LPCWSTR name, DWORD type, LPCWSTR text);
    CWideString ReadText(LPCWSTR name, LPCWSTR defaultText, DWORD expectedType);

    HKEY m_key;
    DWORD m_disposition;
};
