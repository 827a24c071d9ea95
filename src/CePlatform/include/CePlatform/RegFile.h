// Registry files in the REGEDIT4 text form: what `cedevice reg export` writes and
// `cedevice reg import` and the seed registry read.
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\Software\Quenvale]
//   @="default value"
//   "Text"="a \"quoted\" back\\slash"
//   "Number"=dword:0000001f
//   "List"=hex(7):41,00,00,00,00,00
//   "Bytes"=hex:01,02,03
//   "Gone"=-
//
//   [-HKEY_CURRENT_USER\Obsolete]
//
// Hex data is the value's stored bytes (texts are UTF-16LE). Long hex lines are continued with a
// trailing backslash. Files are written in UTF-8; lines starting with ';' are comments.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <CePlatform/Api.h>
#include <CePlatform/RegistryTypes.h>

namespace ce {

// One line's worth of work of a registry file, in file order.
struct RegFileOp {
    enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
    Kind kind = kCreateKey;
    int line = 0;  // 1-based line of the file where the operation stands
    RootKey root = RootKey::LocalMachine;
    std::u16string path;  // the key (normalised)
    RegValue value;       // kSetValue: name, type and data; kDeleteValue: name
};

// A malformed registry file: the message names the 1-based line.
class CEPLATFORM_API RegFileError : public std::runtime_error {
public:
    RegFileError(int line, const std::string& what);
    int line() const { return line_; }

private:
    int line_;
};

// Parses a whole file, read as desktop registry editors read the files that people share: UTF-8
// (with or without a byte-order mark) or UTF-16LE with its byte-order mark, lines ending in LF or
// CRLF; the first non-empty line "REGEDIT4" or "Windows Registry Editor Version 5.00"; blanks and
// a ';' comment after the data of a value line (after the backslash of a continued hex line
// too); in a quoted text "\\" and "\"" are escapes, and a backslash before anything else is kept
// as written, with a warning added to *warnings ("line 7: unknown escape ..."). A key or value
// name holding a carriage return is refused: no file could write it back. Throws RegFileError on
// the first malformed line; nothing is returned then.
CEPLATFORM_API std::vector<RegFileOp> ParseRegFile(std::string_view text,
                                                   std::vector<std::string>* warnings = nullptr);

// The data of one value as it stands right of the '=': "\"text\"", "dword:0000002a",
// "hex(7):...", "hex:..."; a value that would not survive the quoted form byte for byte (odd size,
// no terminator, embedded zero, control characters) is written in hex(1). The first line is
// assumed to start at column `column` for the wrapping of hex data.
CEPLATFORM_API std::string FormatValueData(uint32_t type, const std::vector<uint8_t>& data,
                                           size_t column = 0);

// "\"name\"=data" or "@=data".
CEPLATFORM_API std::string FormatValueLine(const RegValue& value);

// A whole file: the header, then for each key its line and its values, as given (the caller sorts
// keys and values). Keys end with an empty line. A name that the file cannot carry (one holding a
// line break, which no REGEDIT4 line can hold, or a value name longer than the registry allows)
// is left out with its key or value, so that the file always imports back to the rest; each one
// left out is described in *leftOut ("key HKEY_...\A\nB", "value \"v\" of HKEY_...\A"), with
// line breaks shown as \n and \r.
CEPLATFORM_API std::string FormatRegFile(const std::vector<RegKey>& keys,
                                         std::vector<std::string>* leftOut = nullptr);

// A whole file of operations, in their order (a change file): "[KEY]" for kCreateKey, "[-KEY]"
// for kDeleteKey, and each value line ("\"name\"=-" for kDeleteValue) under the line of its key,
// which is written again when the line before was of another key or a deletion. Names that the
// file cannot carry are left out and described as FormatRegFile does.
CEPLATFORM_API std::string FormatRegFileOps(const std::vector<RegFileOp>& ops,
                                            std::vector<std::string>* leftOut = nullptr);

}  // namespace ce
