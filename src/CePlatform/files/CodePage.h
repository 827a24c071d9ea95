// The device's single-byte code page, in which its text files are written.
#pragma once

namespace ce {

// One wide character in the code page: Latin-1 here, '?' for the rest.
inline char NarrowChar(char16_t c) { return c < 0x100 ? static_cast<char>(c) : '?'; }

}  // namespace ce
