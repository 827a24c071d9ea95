// Reading and writing registry files in the REGEDIT4 text form.
#include <CePlatform/RegFile.h>
#include <CePlatform/Unicode.h>

#include <cctype>
#include <cstdio>

#include "registry/KeyNames.h"

namespace ce {

namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

// Hex data lines are broken once they reach this column, which keeps every line, with its
// trailing backslash, within 80 columns as regedit does.
constexpr size_t kHexWrapColumn = 77;

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                      "HKEY_LOCAL_MACHINE"};
constexpr const char* kRootAbbreviations[] = {"HKCR", "HKCU", "HKLM"};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Texts are quoted with backslash and double quote escaped.
std::string Quote(std::u16string_view text) {
    std::string out = "\"";
    for (char c : ToUtf8(text)) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

// True when REG_SZ data reads back byte for byte from its quoted form: whole UTF-16 code units,
// exactly one terminating zero, no control characters, no unpaired surrogates.
bool IsQuotable(const std::vector<uint8_t>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    const size_t units = data.size() / 2;
    auto unit = [&](size_t i) {
        return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    };
    if (unit(units - 1) != 0) return false;
    for (size_t i = 0; i + 1 < units; ++i) {
        const char16_t c = unit(i);
        if (c < 0x20) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 2 >= units) return false;
            const char16_t next = unit(i + 1);
            if (next < 0xDC00 || next > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

// The text of quotable REG_SZ data, without its terminator.
std::u16string TextFromData(const std::vector<uint8_t>& data) {
    std::u16string text;
    for (size_t i = 0; i + 2 < data.size(); i += 2) {
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    return text;
}

std::string FormatHex(const std::string& prefix, const std::vector<uint8_t>& data, size_t column) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = prefix;
    size_t col = column + prefix.size();
    for (size_t i = 0; i < data.size(); ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0xF];
        if (i + 1 == data.size()) break;
        out += ',';
        col += 3;
        if (col >= kHexWrapColumn) {
            out += "\\\n  ";
            col = 2;
        }
    }
    return out;
}

// Names are written on one line each: one holding a line break cannot be carried.
bool HasLineBreak(std::u16string_view name) {
    return name.find_first_of(u"\r\n") != std::u16string_view::npos;
}

std::string ShowLineBreaks(const std::string& text) {
    std::string shown;
    for (char c : text) shown += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    return shown;
}

// The lines of the file, with their 1-based numbers, line ends stripped.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool Next(std::string_view* line) {
        if (pos_ >= text_.size()) return false;
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        std::string_view l = text_.substr(pos_, end - pos_);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        pos_ = end + 1;
        ++number_;
        *line = l;
        return true;
    }
    int number() const { return number_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int number_ = 0;
};

class Parser {
public:
    explicit Parser(std::string_view text) : lines_(text) {}

    std::vector<RegFileOp> Run() {
        ReadHeader();
        std::string_view raw;
        while (lines_.Next(&raw)) {
            const std::string_view line = Trim(raw);
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[') {
                KeyLine(line);
            } else if (line.front() == '"' || line.front() == '@') {
                ValueLine(line);
            } else {
                Fail("expected a key line \"[...]\" or a value line");
            }
        }
        return std::move(ops_);
    }

private:
    // Errors name the line being read.
    [[noreturn]] void Fail(const std::string& what) const {
        throw RegFileError(lines_.number() > 0 ? lines_.number() : 1, what);
    }

    void ReadHeader() {
        std::string_view raw;
        bool first = true;
        while (lines_.Next(&raw)) {
            if (first && raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
            if (first && raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
                static_cast<unsigned char>(raw[1]) == 0xFE) {
                Fail("the file is UTF-16; registry files are read as UTF-8");
            }
            first = false;
            const std::string_view line = Trim(raw);
            if (line.empty()) continue;
            if (line == "REGEDIT4" || line == "Windows Registry Editor Version 5.00") return;
            Fail("missing header: the file must start with \"REGEDIT4\"");
        }
        Fail("missing header: the file must start with \"REGEDIT4\"");
    }

    void KeyLine(std::string_view line) {
        const size_t close = line.rfind(']');
        if (close == std::string_view::npos) Fail("key line without a closing ']'");
        if (!TrimLeft(line.substr(close + 1)).empty()) Fail("trailing garbage after the key name");
        std::string_view name = line.substr(1, close - 1);
        const bool deletion = !name.empty() && name.front() == '-';
        if (deletion) name.remove_prefix(1);

        RegFileOp op;
        op.kind = deletion ? RegFileOp::kDeleteKey : RegFileOp::kCreateKey;
        op.line = lines_.number();
        if (!ParseKeyName(name, &op.root, &op.path)) {
            const std::string_view root = name.substr(0, name.find('\\'));
            Fail("unknown root key \"" + std::string(root) + "\"");
        }
        if (!ForEachKeyComponent(op.path, [](std::u16string_view) {})) {
            Fail("key name component longer than 255 characters");
        }
        if (deletion && op.path.empty()) Fail("a root key cannot be deleted");
        haveKey_ = true;
        keyDeleted_ = deletion;
        root_ = op.root;
        path_ = op.path;
        ops_.push_back(std::move(op));
    }

    // A quoted text starting at s[0] == '"'; returns it and removes it from s.
    std::string ReadQuoted(std::string_view* s) {
        std::string out;
        size_t i = 1;
        for (;;) {
            if (i >= s->size()) Fail("unterminated string");
            const char c = (*s)[i];
            if (c == '"') break;
            if (c == '\\') {
                if (i + 1 >= s->size()) Fail("unterminated string");
                const char e = (*s)[i + 1];
                if (e != '\\' && e != '"') {
                    Fail(std::string("bad escape \"\\") + e +
                         "\" (only \\\\ and \\\" are allowed)");
                }
                out += e;
                i += 2;
                continue;
            }
            out += c;
            ++i;
        }
        s->remove_prefix(i + 1);
        return out;
    }

    void ValueLine(std::string_view line) {
        if (!haveKey_) Fail("value line before any key line");
        if (keyDeleted_) Fail("value line after a key deletion");

        RegFileOp op;
        op.line = lines_.number();
        op.root = root_;
        op.path = path_;
        std::string_view s = line;
        if (s.front() == '@') {
            s.remove_prefix(1);
        } else {
            op.value.name = FromUtf8(ReadQuoted(&s));
            if (op.value.name.size() > kMaxValueNameLength) {
                Fail("value name longer than 16,383 characters");
            }
        }
        s = TrimLeft(s);
        if (s.empty() || s.front() != '=') Fail("expected '=' after the value name");
        s = TrimLeft(s.substr(1));

        if (s == "-") {
            op.kind = RegFileOp::kDeleteValue;
        } else if (!s.empty() && s.front() == '"') {
            op.kind = RegFileOp::kSetValue;
            std::u16string text = FromUtf8(ReadQuoted(&s));
            if (!TrimLeft(s).empty()) Fail("trailing garbage after the string");
            op.value.type = kRegSz;
            text += u'\0';
            for (char16_t c : text) {
                op.value.data.push_back(static_cast<uint8_t>(c & 0xFF));
                op.value.data.push_back(static_cast<uint8_t>(c >> 8));
            }
        } else if (StartsWithIgnoringCase(s, "dword:")) {
            op.kind = RegFileOp::kSetValue;
            op.value.type = kRegDword;
            const uint32_t n = ParseDword(s.substr(6));
            op.value.data = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                             static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
        } else if (StartsWithIgnoringCase(s, "hex")) {
            op.kind = RegFileOp::kSetValue;
            s.remove_prefix(3);
            op.value.type = kRegBinary;
            if (!s.empty() && s.front() == '(') {
                const size_t close = s.find(')');
                if (close == std::string_view::npos) Fail("missing ')' after \"hex(\"");
                op.value.type = ParseType(s.substr(1, close - 1));
                s.remove_prefix(close + 1);
            }
            if (s.empty() || s.front() != ':') Fail("expected ':' after \"hex\"");
            s.remove_prefix(1);
            op.value.data = ParseHexBytes(s);
        } else if (s.empty()) {
            Fail("missing value data after '='");
        } else {
            Fail("unrecognised value data \"" + std::string(s.substr(0, 20)) + "\"");
        }
        ops_.push_back(std::move(op));
    }

    uint32_t ParseDword(std::string_view digits) {
        digits = Trim(digits);
        if (digits.empty()) Fail("dword needs 1 to 8 hex digits");
        uint64_t n = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) Fail("bad hex digit '" + std::string(1, c) + "' in dword");
            n = n * 16 + static_cast<uint64_t>(d);
            if (n > 0xFFFFFFFFull) break;
        }
        if (digits.size() > 8 || n > 0xFFFFFFFFull) {
            Fail("dword out of range (at most 8 hex digits): \"" + std::string(digits) + "\"");
        }
        return static_cast<uint32_t>(n);
    }

    uint32_t ParseType(std::string_view digits) {
        digits = Trim(digits);
        if (digits.empty() || digits.size() > 8) Fail("bad value type in \"hex(...)\"");
        uint32_t n = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) Fail("bad value type in \"hex(...)\"");
            n = n * 16 + static_cast<uint32_t>(d);
        }
        return n;
    }

    // Comma-separated bytes; a trailing backslash continues the data on the next line.
    std::vector<uint8_t> ParseHexBytes(std::string_view s) {
        std::vector<uint8_t> bytes;
        s = Trim(s);
        bool expectByte = false;  // after a comma another byte must follow
        for (;;) {
            if (s.empty()) {
                if (expectByte) Fail("expected a hex byte after ','");
                break;
            }
            if (s.front() == '\\' && Trim(s.substr(1)).empty()) {
                std::string_view next;
                if (!lines_.Next(&next)) Fail("continuation at end of file");
                s = Trim(next);
                continue;
            }
            if (HexDigit(s[0]) < 0 || s.size() < 2 || HexDigit(s[1]) < 0 ||
                (s.size() > 2 && s[2] != ',' && !IsBlank(s[2]) && s[2] != '\\')) {
                const std::string_view item = s.substr(0, s.find(','));
                Fail("bad hex byte \"" + std::string(TrimRight(item)) + "\"");
            }
            bytes.push_back(static_cast<uint8_t>(HexDigit(s[0]) * 16 + HexDigit(s[1])));
            s = TrimLeft(s.substr(2));
            expectByte = false;
            if (s.empty()) break;
            if (s.front() == ',') {
                s = TrimLeft(s.substr(1));
                expectByte = true;
            } else if (s.front() != '\\') {
                Fail("trailing garbage after hex data");
            }
        }
        return bytes;
    }

    LineReader lines_;
    std::vector<RegFileOp> ops_;
    bool haveKey_ = false;
    bool keyDeleted_ = false;
    RootKey root_ = RootKey::LocalMachine;
    std::u16string path_;
};

}  // namespace

RegFileError::RegFileError(int line, const std::string& what)
    : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}

const char* RootName(RootKey root) {
    const int i = static_cast<int>(root);
    return i >= 0 && i < 3 ? kRootNames[i] : "HKEY_UNKNOWN";
}

bool ParseKeyName(std::string_view text, RootKey* root, std::u16string* path) {
    while (!text.empty() && text.front() == '\\') text.remove_prefix(1);
    const size_t slash = text.find('\\');
    const std::string_view rootText = text.substr(0, slash);
    int found = -1;
    for (int i = 0; i < 3; ++i) {
        if (EqualsIgnoringCase(rootText, kRootNames[i]) ||
            EqualsIgnoringCase(rootText, kRootAbbreviations[i])) {
            found = i;
        }
    }
    if (found < 0) return false;

    std::u16string normalised;
    if (slash != std::string_view::npos) {
        std::string_view rest = text.substr(slash + 1);
        while (!rest.empty()) {
            const size_t end = rest.find('\\');
            const std::string_view part = rest.substr(0, end);
            if (!part.empty()) {
                if (!normalised.empty()) normalised += u'\\';
                normalised += FromUtf8(part);
            }
            if (end == std::string_view::npos) break;
            rest.remove_prefix(end + 1);
        }
    }
    if (root != nullptr) *root = static_cast<RootKey>(found);
    if (path != nullptr) *path = std::move(normalised);
    return true;
}

std::string KeyName(RootKey root, std::u16string_view path) {
    std::string name = RootName(root);
    if (!path.empty()) {
        name += '\\';
        name += ToUtf8(path);
    }
    return name;
}

std::vector<RegFileOp> ParseRegFile(std::string_view text) { return Parser(text).Run(); }

std::string FormatValueData(uint32_t type, const std::vector<uint8_t>& data, size_t column) {
    if (type == kRegSz && IsQuotable(data)) return Quote(TextFromData(data));
    if (type == kRegDword && data.size() == 4) {
        const uint32_t n = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                           (static_cast<uint32_t>(data[2]) << 16) |
                           (static_cast<uint32_t>(data[3]) << 24);
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", n);
        return buffer;
    }
    if (type == kRegBinary) return FormatHex("hex:", data, column);
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", type);
    return FormatHex(prefix, data, column);
}

std::string FormatValueLine(const RegValue& value) {
    std::string line = value.name.empty() ? "@" : Quote(value.name);
    line += '=';
    line += FormatValueData(value.type, value.data, line.size());
    return line;
}

std::string FormatRegFile(const std::vector<RegKey>& keys, std::vector<std::string>* leftOut) {
    const auto leave = [leftOut](const std::string& what) {
        if (leftOut) leftOut->push_back(ShowLineBreaks(what));
    };
    std::string out = "REGEDIT4\n\n";
    for (const RegKey& key : keys) {
        if (HasLineBreak(key.path)) {
            leave("key " + KeyName(key.root, key.path));
            continue;
        }
        out += '[';
        out += KeyName(key.root, key.path);
        out += "]\n";
        for (const RegValue& value : key.values) {
            if (value.name.size() > kMaxValueNameLength) {
                leave("value " + Quote(value.name.substr(0, 32)) + "... (a name of " +
                      std::to_string(value.name.size()) + " characters) of " +
                      KeyName(key.root, key.path));
                continue;
            }
            if (HasLineBreak(value.name)) {
                leave("value " + Quote(value.name) + " of " + KeyName(key.root, key.path));
                continue;
            }
            out += FormatValueLine(value);
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

}  // namespace ce
