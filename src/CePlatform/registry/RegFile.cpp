// Reading and writing registry files in the REGEDIT4 text form.
#include <CePlatform/RegFile.h>
#include <CePlatform/Unicode.h>

#include <algorithm>
#include <cstdio>

#include "registry/KeyNames.h"
#include "registry/OpSections.h"

namespace ce {

namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

// Hex data lines are broken once they reach this column, which keeps every line, with its
// trailing backslash, within 80 columns as regedit does.
constexpr size_t kHexWrapColumn = 77;

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
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

// The text of a file saved as UTF-16LE (its byte-order mark already taken off) in UTF-8; a lone
// surrogate is kept as WTF-8, as ToUtf8 keeps it. Throws RegFileError for an odd number of bytes,
// naming the line of the byte left over.
std::string Utf16LeToUtf8(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    std::string utf8 = ToUtf8(text);
    if (bytes.size() % 2 != 0) {
        const auto breaks = std::count(utf8.begin(), utf8.end(), '\n');
        throw RegFileError(static_cast<int>(breaks) + 1,
                           "the file is UTF-16 but ends in half a character");
    }
    return utf8;
}

// The number of bytes of the UTF-8 sequence that starts with `lead` (1 for anything else).
size_t Utf8Length(char lead) {
    const auto b = static_cast<unsigned char>(lead);
    return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
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

// Reads a file as desktop registry editors read the files that people share: UTF-8 or UTF-16LE,
// blanks and a ';' comment after a value's data, an unknown escape kept as written.
class Parser {
public:
    Parser(std::string_view text, std::vector<std::string>* warnings)
        : lines_(Decode(text, &converted_)), warnings_(warnings) {}

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
    // The file as UTF-8: a UTF-16LE file (with its byte-order mark) is converted into *converted;
    // anything else is taken as UTF-8 as it is.
    static std::string_view Decode(std::string_view text, std::string* converted) {
        const auto starts = [text](std::string_view mark) { return text.substr(0, 2) == mark; };
        if (starts("\xFF\xFE")) return *converted = Utf16LeToUtf8(text.substr(2));
        if (starts("\xFE\xFF")) {
            throw RegFileError(1,
                               "the file is UTF-16 big-endian; registry files are read as "
                               "UTF-8 or UTF-16LE");
        }
        return text;
    }

    // Errors name the line being read.
    [[noreturn]] void Fail(const std::string& what) const {
        throw RegFileError(lines_.number() > 0 ? lines_.number() : 1, what);
    }

    void Warn(const std::string& what) const {
        if (warnings_)
            warnings_->push_back("line " + std::to_string(lines_.number()) + ": " + what);
    }

    // A name that holds a carriage return would be left out of every export: refused, so that
    // what imports also exports.
    void CheckName(std::u16string_view name, const char* what) const {
        if (name.find(u'\r') != std::u16string_view::npos) {
            Fail(std::string(what) +
                 " holds a carriage return, which no registry file can write back");
        }
    }

    // After the data only blanks and a ';' comment may follow.
    void ExpectEnd(std::string_view rest, const std::string& after) const {
        rest = TrimLeft(rest);
        if (!rest.empty() && rest.front() != ';') {
            Fail("unexpected \"" + std::string(TrimRight(rest.substr(0, 20))) + "\" after " +
                 after + " (a comment starts with ';')");
        }
    }

    void ReadHeader() {
        std::string_view raw;
        bool first = true;
        while (lines_.Next(&raw)) {
            if (first && raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
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
        CheckName(op.path, "the key name");
        if (deletion && op.path.empty()) Fail("a root key cannot be deleted");
        haveKey_ = true;
        keyDeleted_ = deletion;
        root_ = op.root;
        path_ = op.path;
        ops_.push_back(std::move(op));
    }

    // A quoted text starting at s[0] == '"'; returns it and removes it from s. "\\" and "\""
    // are escapes; a backslash before anything else is kept as written, with a warning.
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
                if (e == '\\' || e == '"') {
                    out += e;
                    i += 2;
                    continue;
                }
                Warn("unknown escape \"\\" + std::string(s->substr(i + 1, Utf8Length(e))) +
                     "\" kept as written");
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
            CheckName(op.value.name, "the value name");
        }
        s = TrimLeft(s);
        if (s.empty() || s.front() != '=') Fail("expected '=' after the value name");
        s = TrimLeft(s.substr(1));

        if (!s.empty() && s.front() == '-') {
            op.kind = RegFileOp::kDeleteValue;
            ExpectEnd(s.substr(1), "the deletion");
        } else if (!s.empty() && s.front() == '"') {
            op.kind = RegFileOp::kSetValue;
            std::u16string text = FromUtf8(ReadQuoted(&s));
            ExpectEnd(s, "the string");
            op.value.type = kRegSz;
            text += u'\0';
            for (char16_t c : text) {
                op.value.data.push_back(static_cast<uint8_t>(c & 0xFF));
                op.value.data.push_back(static_cast<uint8_t>(c >> 8));
            }
        } else if (StartsWithIgnoringCase(s, "dword:")) {
            op.kind = RegFileOp::kSetValue;
            op.value.type = kRegDword;
            s = TrimLeft(s.substr(6));
            const size_t end = std::min(s.find_first_of(" \t;"), s.size());
            const uint32_t n = ParseDword(s.substr(0, end));
            ExpectEnd(s.substr(end), "the dword");
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

    // Comma-separated bytes; a trailing backslash continues the data on the next line. A ';'
    // comment may end the data, and may follow the backslash of a continued line.
    std::vector<uint8_t> ParseHexBytes(std::string_view s) {
        const auto isEnd = [](std::string_view rest) {
            rest = TrimLeft(rest);
            return rest.empty() || rest.front() == ';';
        };
        std::vector<uint8_t> bytes;
        s = TrimLeft(s);
        bool expectByte = false;  // after a comma another byte must follow
        for (;;) {
            if (isEnd(s)) {
                if (expectByte) Fail("expected a hex byte after ','");
                break;
            }
            if (s.front() == '\\' && isEnd(s.substr(1))) {
                std::string_view next;
                if (!lines_.Next(&next)) Fail("continuation at end of file");
                s = TrimLeft(next);
                continue;
            }
            if (HexDigit(s[0]) < 0 || s.size() < 2 || HexDigit(s[1]) < 0 ||
                (s.size() > 2 && s[2] != ',' && !IsBlank(s[2]) && s[2] != '\\' && s[2] != ';')) {
                const std::string_view item = s.substr(0, s.find(','));
                Fail("bad hex byte \"" + std::string(TrimRight(item)) + "\"");
            }
            bytes.push_back(static_cast<uint8_t>(HexDigit(s[0]) * 16 + HexDigit(s[1])));
            s = TrimLeft(s.substr(2));
            expectByte = false;
            if (isEnd(s)) break;
            if (s.front() == ',') {
                s = TrimLeft(s.substr(1));
                expectByte = true;
            } else if (s.front() != '\\') {
                ExpectEnd(s, "the hex data");
            }
        }
        return bytes;
    }

    std::string converted_;  // the text of a UTF-16 file
    LineReader lines_;
    std::vector<std::string>* warnings_;
    std::vector<RegFileOp> ops_;
    bool haveKey_ = false;
    bool keyDeleted_ = false;
    RootKey root_ = RootKey::LocalMachine;
    std::u16string path_;
};

// Writes a registry file section by section: a key line, then the values under it. A name that
// the file cannot carry is left out, a key with its values, and described in *leftOut.
class FileWriter {
public:
    explicit FileWriter(std::vector<std::string>* leftOut) : leftOut_(leftOut) {}

    // Starts the section of a key, or writes a key's deletion ("[-KEY]").
    void Key(RootKey root, std::u16string_view path, bool deletion) {
        if (open_) out_ += '\n';
        root_ = root;
        path_ = path;
        open_ = !HasLineBreak(path);
        if (!open_) {
            Leave("key " + KeyName(root, path));
            return;
        }
        out_ += deletion ? "[-" : "[";
        out_ += KeyName(root, path);
        out_ += "]\n";
    }

    // A value line under the current key ("\"name\"=-" for a deletion); nothing when the key was
    // left out.
    void Value(const RegValue& value, bool deletion) {
        if (!open_) return;
        if (value.name.size() > kMaxValueNameLength) {
            Leave("value " + Quote(value.name.substr(0, 32)) + "... (a name of " +
                  std::to_string(value.name.size()) + " characters) of " + KeyName(root_, path_));
            return;
        }
        if (HasLineBreak(value.name)) {
            Leave("value " + Quote(value.name) + " of " + KeyName(root_, path_));
            return;
        }
        if (deletion) {
            out_ += value.name.empty() ? "@" : Quote(value.name);
            out_ += "=-\n";
        } else {
            out_ += FormatValueLine(value);
            out_ += '\n';
        }
    }

    std::string Finish() {
        if (open_) out_ += '\n';
        open_ = false;
        return std::move(out_);
    }

private:
    void Leave(const std::string& what) {
        if (leftOut_) leftOut_->push_back(ShowLineBreaks(what));
    }

    std::vector<std::string>* leftOut_;
    std::string out_ = "REGEDIT4\n\n";
    bool open_ = false;  // a section was started and not left out
    RootKey root_ = RootKey::LocalMachine;
    std::u16string path_;
};

}  // namespace

RegFileError::RegFileError(int line, const std::string& what)
    : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}

std::vector<RegFileOp> ParseRegFile(std::string_view text, std::vector<std::string>* warnings) {
    return Parser(text, warnings).Run();
}

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
    FileWriter writer(leftOut);
    for (const RegKey& key : keys) {
        writer.Key(key.root, key.path, false);
        for (const RegValue& value : key.values) writer.Value(value, false);
    }
    return writer.Finish();
}

std::string FormatRegFileOps(const std::vector<RegFileOp>& ops, std::vector<std::string>* leftOut) {
    FileWriter writer(leftOut);
    WriteInSections(ops, writer);
    return writer.Finish();
}

}  // namespace ce
