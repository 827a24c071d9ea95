// Registry data and registry-file operations as the registry tests write and compare them.
#pragma once

#include <CePlatform/RegFile.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace test {

using Bytes = std::vector<uint8_t>;

// A text as the registry stores it: UTF-16LE, with its terminating zero unless `terminate` is
// false.
inline Bytes Utf16(std::u16string_view text, bool terminate = true) {
    Bytes out;
    for (char16_t c : text) out.insert(out.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
    if (terminate) out.insert(out.end(), {0, 0});
    return out;
}

// One line per operation: its line in the file (unless `lines` is false), "-" before a deleted
// key, the key, and a value's line ("=-" when the value is deleted).
inline std::vector<std::string> Describe(const std::vector<ce::RegFileOp>& ops, bool lines = true) {
    std::vector<std::string> out;
    for (const ce::RegFileOp& op : ops) {
        std::string line = (lines ? std::to_string(op.line) + " " : std::string()) +
                           (op.kind == ce::RegFileOp::kDeleteKey ? "-" : "") +
                           ce::KeyName(op.root, op.path);
        if (op.kind >= ce::RegFileOp::kSetValue) {
            const std::string value = ce::FormatValueLine(op.value);
            line += " " + (op.kind == ce::RegFileOp::kDeleteValue
                               ? value.substr(0, value.find('=')) + "=-"
                               : value);
        }
        out.push_back(line);
    }
    return out;
}

}  // namespace test
