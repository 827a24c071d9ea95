// The system's wide string: an immutable UTF-16 text shared by its copies. Copying costs a
// reference count; no copy can change what another sees. Comparison is exact, character by
// character (case-sensitive).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

class CWideString {
public:
    CWideString() : m_text(Empty()) {}
    // A null text makes the empty string.
    CWideString(LPCWSTR text)  // NOLINT(google-explicit-constructor): stands where a text does
        : m_text(text ? std::make_shared<const std::u16string>(text) : Empty()) {}
    explicit CWideString(std::u16string_view text)
        : m_text(std::make_shared<const std::u16string>(text)) {}

    // The text, terminated by a zero character; valid as long as this string or a copy lives.
    LPCWSTR GetString() const { return m_text->c_str(); }
    operator LPCWSTR() const { return GetString(); }  // NOLINT(google-explicit-constructor)
    // Number of characters, without the terminating zero.
    int GetLength() const { return static_cast<int>(m_text->size()); }
    bool IsEmpty() const { return m_text->empty(); }
    std::u16string_view View() const { return *m_text; }

    friend bool operator==(const CWideString& a, const CWideString& b) {
        return a.m_text == b.m_text || *a.m_text == *b.m_text;
    }
    friend CWideString operator+(const CWideString& a, const CWideString& b) {
        std::u16string joined;
        joined.reserve(a.m_text->size() + b.m_text->size());
        joined.append(*a.m_text).append(*b.m_text);
        return CWideString(std::make_shared<const std::u16string>(std::move(joined)));
    }

private:
    explicit CWideString(std::shared_ptr<const std::u16string> text) : m_text(std::move(text)) {}
    static const std::shared_ptr<const std::u16string>& Empty() {
        static const auto empty = std::make_shared<const std::u16string>();
        return empty;
    }

    std::shared_ptr<const std::u16string> m_text;
};
