// Text conversions of the simulated device: UTF-16 (the device's texts) to and from UTF-8 (the
// host's), and the case folding that makes registry names case-insensitive.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include <CePlatform/Api.h>

namespace ce {

// UTF-16 to UTF-8. A lone surrogate is encoded as its own three-byte sequence (WTF-8), so that
// every UTF-16 text converts, and converts back, without loss.
CEPLATFORM_API std::string ToUtf8(std::u16string_view text);

// UTF-8 (or WTF-8) to UTF-16. A byte that does not start a valid sequence becomes U+FFFD.
CEPLATFORM_API std::u16string FromUtf8(std::string_view text);

// The text as the registry compares it: each code unit mapped to its upper case (ASCII, Latin-1,
// Greek and Cyrillic letters). Two names are the same name exactly when their folds are equal.
CEPLATFORM_API std::u16string FoldCase(std::u16string_view text);

// Whether two 8-bit texts are equal but for the case of ASCII letters (root names, module names,
// .reg file keywords).
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return upper(x) == upper(y); });
}

}  // namespace ce
