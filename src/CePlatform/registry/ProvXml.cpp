// Provisioning XML: the operations of a change file as the characteristics and parms that a
// phone's configuration manager applies to its registry.
#include <CePlatform/ChangeFile.h>
#include <CePlatform/Unicode.h>

#include <cstdio>
#include <optional>

#include "registry/OpSections.h"

namespace ce {

namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
// Separates the texts of a multiplestring.
constexpr char16_t kTextSeparator = 0xF000;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The text escaped for an attribute value; nullopt when XML 1.0 cannot carry one of its
// characters (a control character but tab, line feed and carriage return; a lone surrogate;
// U+FFFE, U+FFFF). Tab and line breaks are written as character references, which attribute-value
// normalisation leaves alone.
std::optional<std::string> EscapeXml(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (c) {
            case u'&':
                out += "&amp;";
                continue;
            case u'<':
                out += "&lt;";
                continue;
            case u'>':
                out += "&gt;";
                continue;
            case u'"':
                out += "&quot;";
                continue;
            case u'\t':
                out += "&#9;";
                continue;
            case u'\n':
                out += "&#10;";
                continue;
            case u'\r':
                out += "&#13;";
                continue;
            default:
                break;
        }
        if (c < 0x20 || c == 0xFFFE || c == 0xFFFF || IsLowSurrogate(c)) return std::nullopt;
        if (IsHighSurrogate(c)) {
            if (i + 1 >= text.size() || !IsLowSurrogate(text[i + 1])) return std::nullopt;
            out += ToUtf8(text.substr(i, 2));
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += ToUtf8(text.substr(i, 1));
        }
    }
    return out;
}

// A name for messages: control characters and lone surrogates shown as escapes.
std::string Visible(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        char escape[8] = "";
        if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c < 0x20) {
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(c));
        } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out += ToUtf8(text.substr(i++, 2));
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
        } else {
            out += ToUtf8(text.substr(i, 1));
        }
        out += escape;
    }
    return out;
}

std::string TypeName(uint32_t type) {
    switch (type) {
        case 0:
            return "REG_NONE";
        case 1:
            return "REG_SZ";
        case 2:
            return "REG_EXPAND_SZ";
        case 3:
            return "REG_BINARY";
        case 4:
            return "REG_DWORD";
        case 5:
            return "REG_DWORD_BIG_ENDIAN";
        case 6:
            return "REG_LINK";
        case 7:
            return "REG_MULTI_SZ";
        case 8:
            return "REG_RESOURCE_LIST";
        case 11:
            return "REG_QWORD";
        default: {
            char name[24];
            std::snprintf(name, sizeof name, "type 0x%x", type);
            return name;
        }
    }
}

std::string Base64(const std::vector<uint8_t>& data) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < data.size(); i += 3) {
        const size_t n = std::min<size_t>(3, data.size() - i);
        uint32_t group = static_cast<uint32_t>(data[i]) << 16;
        if (n > 1) group |= static_cast<uint32_t>(data[i + 1]) << 8;
        if (n > 2) group |= data[i + 2];
        for (size_t k = 0; k < 4; ++k) {
            out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return out;
}

// The UTF-16 code units of text data; nullopt for an odd number of bytes.
std::optional<std::u16string> Units(const std::vector<uint8_t>& data) {
    if (data.size() % 2 != 0) return std::nullopt;
    std::u16string units;
    for (size_t i = 0; i < data.size(); i += 2) {
        units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    return units;
}

// A parm's datatype and escaped value, or (datatype empty) why the data cannot be one.
struct Parm {
    std::string datatype;
    std::string value;
};

Parm TextParm(const std::vector<uint8_t>& data) {
    const std::optional<std::u16string> units = Units(data);
    if (!units || units->empty() || units->back() != 0 || units->find(u'\0') != units->size() - 1) {
        return {"", "REG_SZ data that is not one terminated text"};
    }
    const auto text = EscapeXml(std::u16string_view(*units).substr(0, units->size() - 1));
    if (!text) return {"", "its text holds a character that XML cannot carry"};
    return {"string", *text};
}

// The texts of REG_MULTI_SZ data, each terminated, and one zero more, joined with U+F000.
Parm MultiTextParm(const std::vector<uint8_t>& data) {
    std::optional<std::u16string> units = Units(data);
    if (!units || units->size() < 2 || units->back() != 0 || (*units)[units->size() - 2] != 0) {
        return {"", "REG_MULTI_SZ data that is not a list of terminated texts"};
    }
    units->pop_back();  // the list's own terminator
    units->pop_back();  // the last text's
    if (units->find(kTextSeparator) != std::u16string::npos) {
        return {"", "one of its texts holds U+F000, which separates them"};
    }
    // The separator is written as a reference, which shows where one text ends.
    std::string joined;
    for (size_t start = 0, end;; start = end + 1) {
        end = units->find(u'\0', start);
        const auto text = EscapeXml(std::u16string_view(*units).substr(start, end - start));
        if (!text) return {"", "its text holds a character that XML cannot carry"};
        joined += *text;
        if (end == std::u16string::npos) break;
        joined += "&#xF000;";
    }
    return {"multiplestring", joined};
}

Parm ParmOf(const RegValue& value) {
    switch (value.type) {
        case kRegDword: {
            if (value.data.size() != 4) {
                return {"", "REG_DWORD data of " + std::to_string(value.data.size()) + " bytes"};
            }
            const uint32_t n = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                               (static_cast<uint32_t>(value.data[3]) << 24);
            return {"integer", std::to_string(n)};
        }
        case kRegSz:
            return TextParm(value.data);
        case kRegMultiSz:
            return MultiTextParm(value.data);
        case kRegBinary:
            return {"binary", Base64(value.data)};
        default:
            return {"", TypeName(value.type) + " has no datatype in provisioning XML"};
    }
}

// Writes the document section by section (see WriteInSections).
class XmlWriter {
public:
    explicit XmlWriter(std::vector<std::string>* leftOut) : leftOut_(leftOut) {}

    void Key(RootKey root, std::u16string_view path, bool deletion) {
        CloseKey();
        keyShown_ = std::string(RootName(root)) + (path.empty() ? "" : "\\") + Visible(path);
        const auto escaped = EscapeXml(path);
        if (!escaped) {
            Leave("key " + keyShown_ + " (XML cannot carry a character of its name)");
            return;
        }
        const std::string type = ShortKeyName(root, u"") + (path.empty() ? "" : "\\") + *escaped;
        if (deletion) {
            out_ += "    <nocharacteristic type=\"" + type + "\"/>\n";
            return;
        }
        // Opened with its first parm; a key without any is one empty element.
        openTag_ = "    <characteristic type=\"" + type + "\"";
        open_ = true;
    }

    // A parm, or a noparm for a deletion, in the open characteristic; nothing when its key was
    // left out.
    void Value(const RegValue& value, bool deletion) {
        if (!open_) return;
        const std::string shown = "value \"" + Visible(value.name) + "\" of " + keyShown_;
        const auto name = EscapeXml(value.name);
        if (!name) {
            Leave(shown + " (XML cannot carry a character of its name)");
            return;
        }
        if (deletion) {
            Content() += "      <noparm name=\"" + *name + "\"/>\n";
            return;
        }
        const Parm parm = ParmOf(value);
        if (parm.datatype.empty()) {
            Leave(shown + " (" + parm.value + ")");
            return;
        }
        Content() += "      <parm name=\"" + *name + "\" value=\"" + parm.value + "\" datatype=\"" +
                     parm.datatype + "\"/>\n";
    }

    std::string Finish() {
        CloseKey();
        return std::move(out_) + "  </characteristic>\n</wap-provisioningdoc>\n";
    }

private:
    // The document, with the open characteristic's start tag written.
    std::string& Content() {
        if (!openTag_.empty()) out_ += openTag_ + ">\n";
        openTag_.clear();
        return out_;
    }
    void CloseKey() {
        if (open_) out_ += openTag_.empty() ? "    </characteristic>\n" : openTag_ + "/>\n";
        openTag_.clear();
        open_ = false;
    }
    void Leave(const std::string& what) {
        if (leftOut_) leftOut_->push_back(what);
    }

    std::vector<std::string>* leftOut_;
    std::string out_ = "<wap-provisioningdoc>\n  <characteristic type=\"Registry\">\n";
    bool open_ = false;    // a key's characteristic is open
    std::string openTag_;  // its start tag while nothing is in it yet
    std::string keyShown_;
};

}  // namespace

std::string FormatProvXml(const std::vector<RegFileOp>& ops, std::vector<std::string>* leftOut) {
    XmlWriter writer(leftOut);
    WriteInSections(ops, writer);
    return writer.Finish();
}

}  // namespace ce
