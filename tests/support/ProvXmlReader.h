// Reads a provisioning document back into the registry file operations that a phone's
// configuration manager would carry out, so that tests can compare it with the REGEDIT4 form of
// the same change. Strict about well-formedness for what such a document holds (elements,
// attributes, character and entity references, blanks between elements; an XML declaration, no
// text, comments or DTD): anything else throws std::runtime_error naming the byte offset.
// Attribute values are normalised as XML requires: a literal tab or line break reads as a blank.
#pragma once

#include <CePlatform/RegFile.h>
#include <CePlatform/Unicode.h>

#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace test {

class ProvXmlReader {
public:
    // The operations of a whole document, in document order.
    static std::vector<ce::RegFileOp> Read(std::string_view xml) {
        ProvXmlReader reader(xml);
        const Element doc = reader.Document();
        std::vector<ce::RegFileOp> ops;
        reader.Expect(
            doc.name == "wap-provisioningdoc" && doc.attributes.empty() && doc.children.size() == 1,
            "a wap-provisioningdoc holding one characteristic");
        const Element& registry = doc.children[0];
        reader.Expect(registry.name == "characteristic" && registry.Attribute("type") == "Registry",
                      "the Registry characteristic");
        for (const Element& key : registry.children) {
            ce::RegFileOp keyOp;
            reader.Expect(key.name == "characteristic" || key.name == "nocharacteristic",
                          "a characteristic of a key");
            reader.Expect(key.attributes.size() == 1 &&
                              ce::ParseKeyName(key.Attribute("type"), &keyOp.root, &keyOp.path),
                          "a key's path as its type");
            keyOp.kind = key.name == "characteristic" ? ce::RegFileOp::kCreateKey
                                                      : ce::RegFileOp::kDeleteKey;
            reader.Expect(keyOp.kind == ce::RegFileOp::kCreateKey || key.children.empty(),
                          "an empty nocharacteristic");
            ops.push_back(keyOp);
            for (const Element& parm : key.children) ops.push_back(reader.ValueOp(keyOp, parm));
        }
        return ops;
    }

private:
    struct Element {
        std::string name;
        std::vector<std::pair<std::string, std::string>> attributes;
        std::vector<Element> children;

        std::string Attribute(const std::string& attribute) const {
            for (const auto& [n, v] : attributes) {
                if (n == attribute) return v;
            }
            throw std::runtime_error("expected the attribute " + attribute + " of " + name);
        }
    };

    explicit ProvXmlReader(std::string_view xml) : xml_(xml) {}

    void Expect(bool condition, const std::string& what) const {
        if (!condition) {
            throw std::runtime_error("at byte " + std::to_string(pos_) + ": expected " + what);
        }
    }

    ce::RegFileOp ValueOp(const ce::RegFileOp& key, const Element& parm) const {
        ce::RegFileOp op{ce::RegFileOp::kDeleteValue, 0, key.root, key.path, {}};
        op.value.name = ce::FromUtf8(parm.Attribute("name"));
        if (parm.name == "noparm") {
            Expect(parm.attributes.size() == 1 && parm.children.empty(), "noparm name=\"...\"");
            return op;
        }
        Expect(parm.name == "parm" && parm.attributes.size() == 3 && parm.children.empty(),
               "parm name=\"...\" value=\"...\" datatype=\"...\"");
        op.kind = ce::RegFileOp::kSetValue;
        const std::string type = parm.Attribute("datatype");
        const std::u16string value = ce::FromUtf8(parm.Attribute("value"));
        if (type == "integer") {
            uint64_t n = 0;
            Expect(!value.empty() && value.size() <= 10, "a decimal integer");
            for (char16_t c : value) {
                Expect(c >= u'0' && c <= u'9', "a decimal integer");
                n = n * 10 + (c - u'0');
            }
            Expect(n <= 0xFFFFFFFFu, "an integer of 32 bits");
            op.value.type = 4;
            for (int i = 0; i < 4; ++i) op.value.data.push_back(static_cast<uint8_t>(n >> 8 * i));
        } else if (type == "string" || type == "multiplestring") {
            op.value.type = type == "string" ? 1 : 7;
            for (char16_t c : value) {
                if (type == "multiplestring" && c == 0xF000) c = 0;
                op.value.data.insert(op.value.data.end(), {static_cast<uint8_t>(c & 0xFF),
                                                           static_cast<uint8_t>(c >> 8)});
            }
            const size_t zeros = type == "string" ? 2 : 4;
            op.value.data.insert(op.value.data.end(), zeros, 0);
        } else {
            Expect(type == "binary", "datatype integer, string, multiplestring or binary");
            op.value.type = 3;
            op.value.data = Base64(parm.Attribute("value"));
        }
        return op;
    }

    std::vector<uint8_t> Base64(const std::string& text) const {
        static const std::string kDigits =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        Expect(text.size() % 4 == 0, "base64 in groups of four");
        std::vector<uint8_t> out;
        for (size_t i = 0; i < text.size(); i += 4) {
            uint32_t group = 0;
            int padding = 0;
            for (size_t k = 0; k < 4; ++k) {
                const size_t digit = kDigits.find(text[i + k]);
                const bool pad = text[i + k] == '=' && i + 4 == text.size() && k >= 2;
                Expect(digit != std::string::npos || (pad && (k == 3 || text[i + 3] == '=')),
                       "a base64 digit");
                padding += pad;
                group = group << 6 | (pad ? 0 : static_cast<uint32_t>(digit));
            }
            for (int k = 0; k < 3 - padding; ++k)
                out.push_back(static_cast<uint8_t>(group >> (16 - 8 * k)));
        }
        return out;
    }

    // The document: an optional declaration, one element, blanks around.
    Element Document() {
        SkipBlanks();
        if (xml_.substr(pos_, 5) == "<?xml") {
            const size_t end = xml_.find("?>", pos_);
            Expect(end != std::string_view::npos, "the end of the declaration");
            pos_ = end + 2;
        }
        SkipBlanks();
        Element root = ElementAt();
        SkipBlanks();
        Expect(pos_ == xml_.size(), "the end of the document");
        return root;
    }

    Element ElementAt() {
        Expect(Take('<'), "'<'");
        Element element{Name(), {}, {}};
        for (;;) {
            const bool blank = SkipBlanks();
            if (Take('/')) {
                Expect(Take('>'), "'>'");
                return element;
            }
            if (Take('>')) break;
            Expect(blank, "a blank before an attribute");
            std::string name = Name();
            SkipBlanks();
            Expect(Take('='), "'='");
            SkipBlanks();
            for (const auto& [n, v] : element.attributes)
                Expect(n != name, "no repeated attribute");
            element.attributes.emplace_back(std::move(name), AttributeValue());
        }
        for (;;) {
            SkipBlanks();
            Expect(pos_ < xml_.size(), "the end tag of " + element.name);
            if (xml_.substr(pos_, 2) == "</") {
                pos_ += 2;
                Expect(Name() == element.name, "the end tag of " + element.name);
                SkipBlanks();
                Expect(Take('>'), "'>'");
                return element;
            }
            Expect(xml_[pos_] == '<' && xml_.substr(pos_, 4) != "<!--", "an element, no text");
            element.children.push_back(ElementAt());
        }
    }

    std::string AttributeValue() {
        Expect(pos_ < xml_.size() && (xml_[pos_] == '"' || xml_[pos_] == '\''), "a quote");
        const char quote = xml_[pos_++];
        std::string value;
        for (;;) {
            Expect(pos_ < xml_.size(), "the closing quote");
            const char c = xml_[pos_];
            if (c == quote) break;
            Expect(c != '<', "no '<' in an attribute value");
            if (c == '&') {
                AppendUtf8(Reference(), &value);
                continue;
            }
            const char32_t code = Utf8Char();
            AppendUtf8(code == '\t' || code == '\n' || code == '\r' ? U' ' : code, &value);
        }
        ++pos_;
        return value;
    }

    // A reference starting at '&'.
    char32_t Reference() {
        const size_t end = xml_.find(';', pos_);
        Expect(end != std::string_view::npos, "';' ending a reference");
        const std::string_view ref = xml_.substr(pos_ + 1, end - pos_ - 1);
        char32_t code = 0;
        if (ref == "amp") code = '&';
        if (ref == "lt") code = '<';
        if (ref == "gt") code = '>';
        if (ref == "quot") code = '"';
        if (ref == "apos") code = '\'';
        if (code == 0) {
            const bool hex = ref.substr(0, 2) == "#x";
            Expect(ref.size() > (hex ? 2u : 1u) && ref[0] == '#', "a known reference");
            for (char d : ref.substr(hex ? 2 : 1)) {
                const int digit = std::isdigit(static_cast<unsigned char>(d)) ? d - '0'
                                  : hex && std::isxdigit(static_cast<unsigned char>(d))
                                      ? std::tolower(d) - 'a' + 10
                                      : -1;
                Expect(digit >= 0 && code < 0x110000, "a character number");
                code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
            }
            Expect(IsXmlChar(code), "a character that XML allows");
        }
        pos_ = end + 1;
        return code;
    }

    // One character of UTF-8, checked.
    char32_t Utf8Char() {
        const auto lead = static_cast<unsigned char>(xml_[pos_]);
        const int extra = lead < 0x80    ? 0
                          : lead >= 0xF0 ? 3
                          : lead >= 0xE0 ? 2
                          : lead >= 0xC2 ? 1
                                         : -1;
        Expect(extra >= 0 && pos_ + extra < xml_.size(), "UTF-8");
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(xml_[pos_ + k]);
            Expect((next & 0xC0) == 0x80, "UTF-8");
            code = code << 6 | (next & 0x3F);
        }
        Expect(IsXmlChar(code) && code >= (extra == 2   ? 0x800u
                                           : extra == 3 ? 0x10000u
                                                        : 0u),
               "a character that XML allows, in UTF-8");
        pos_ += extra + 1;
        return code;
    }

    static bool IsXmlChar(char32_t c) {
        return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
               (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
    }

    static void AppendUtf8(char32_t c, std::string* out) {
        std::u16string units;
        if (c >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(c);
        }
        *out += ce::ToUtf8(units);
    }

    std::string Name() {
        const size_t start = pos_;
        while (pos_ < xml_.size() &&
               (std::isalnum(static_cast<unsigned char>(xml_[pos_])) ||
                std::string_view("-_.:").find(xml_[pos_]) != std::string_view::npos)) {
            ++pos_;
        }
        Expect(pos_ > start && !std::isdigit(static_cast<unsigned char>(xml_[start])) &&
                   xml_[start] != '-' && xml_[start] != '.',
               "a name");
        return std::string(xml_.substr(start, pos_ - start));
    }

    bool SkipBlanks() {
        const size_t start = pos_;
        while (pos_ < xml_.size() &&
               std::string_view(" \t\r\n").find(xml_[pos_]) != std::string_view::npos)
            ++pos_;
        return pos_ > start;
    }

    bool Take(char c) {
        if (pos_ < xml_.size() && xml_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    std::string_view xml_;
    size_t pos_ = 0;
};

}  // namespace test
