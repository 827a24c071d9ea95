// Reads a provisioning document that FormatProvXml wrote back into the registry file operations
// that a phone's configuration manager would carry out, so that tests can compare it with the
// REGEDIT4 form of the same change. The document holds one element a line; its well-formedness is
// for xmllint to check (IsWellFormedXml).
#pragma once

#include <CePlatform/RegFile.h>
#include <CePlatform/Unicode.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TempDevice.h"

namespace test {

// An attribute's value: references resolved, and a literal tab read as a blank, as XML normalises
// attribute values.
inline std::u16string XmlAttribute(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            const size_t end = text.find('&', i);
            std::string literal = text.substr(i, end - i);
            for (char& c : literal) c = c == '\t' ? ' ' : c;
            out += ce::FromUtf8(literal);
            i = (end == std::string::npos ? text.size() : end) - 1;
            continue;
        }
        const size_t end = text.find(';', i);
        const std::string ref = text.substr(i + 1, end - i - 1);
        static const std::map<std::string, char32_t> named = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        const char32_t c = named.count(ref) ? named.at(ref)
                           : ref[1] == 'x'  ? std::stoul(ref.substr(2), nullptr, 16)
                                            : std::stoul(ref.substr(1));
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i = end;
    }
    return out;
}

inline std::vector<uint8_t> Base64Bytes(const std::string& text) {
    static const std::string kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<uint8_t> out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=') break;
        bits = bits << 6 | static_cast<uint32_t>(kDigits.find(c));
        if ((count += 6) >= 8) out.push_back(static_cast<uint8_t>(bits >> (count -= 8)));
    }
    return out;
}

// The data of a parm as the registry stores it.
inline ce::RegValue ParmValue(std::u16string name, const std::string& datatype,
                              const std::u16string& value) {
    ce::RegValue out{std::move(name), 0, {}};
    const auto addUnit = [&out](char16_t c) {
        out.data.insert(out.data.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
    };
    if (datatype == "integer") {
        const unsigned long n = std::stoul(ce::ToUtf8(value));
        out.type = 4;
        for (int i = 0; i < 4; ++i) out.data.push_back(static_cast<uint8_t>(n >> 8 * i));
    } else if (datatype == "string" || datatype == "multiplestring") {
        const bool multi = datatype == "multiplestring";
        out.type = multi ? 7 : 1;
        for (char16_t c : value) addUnit(multi && c == 0xF000 ? 0 : c);
        addUnit(0);
        if (multi) addUnit(0);
    } else if (datatype == "binary") {
        out.type = 3;
        out.data = Base64Bytes(ce::ToUtf8(value));
    } else {
        throw std::runtime_error("unknown datatype " + datatype);
    }
    return out;
}

inline std::vector<ce::RegFileOp> ReadProvXml(const std::string& xml) {
    static const std::regex element(R"(\s*<(/?)([a-z-]+)((?: [a-z]+="[^"]*")*)(/?)>)");
    static const std::regex attribute(R"( ([a-z]+)="([^"]*)\")");
    std::vector<ce::RegFileOp> ops;
    ce::RegFileOp key;
    std::istringstream lines(xml);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, element))
            throw std::runtime_error("not one element: " + line);
        std::map<std::string, std::u16string> attributes;
        const std::string list = m[3];
        for (std::sregex_iterator a(list.begin(), list.end(), attribute), end; a != end; ++a) {
            attributes[(*a)[1]] = XmlAttribute((*a)[2]);
        }
        const std::string name = m[2];
        if (m[1] == "/" || name == "wap-provisioningdoc" || attributes["type"] == u"Registry") {
            continue;
        }
        if (name == "characteristic" || name == "nocharacteristic") {
            key = {};
            key.kind =
                name == "characteristic" ? ce::RegFileOp::kCreateKey : ce::RegFileOp::kDeleteKey;
            if (!ce::ParseKeyName(ce::ToUtf8(attributes.at("type")), &key.root, &key.path)) {
                throw std::runtime_error("no key: " + line);
            }
            ops.push_back(key);
            continue;
        }
        ce::RegFileOp op{
            ce::RegFileOp::kDeleteValue, 0, key.root, key.path, {attributes.at("name"), 0, {}}};
        if (name == "parm") {
            op.kind = ce::RegFileOp::kSetValue;
            op.value = ParmValue(op.value.name, ce::ToUtf8(attributes.at("datatype")),
                                 attributes.at("value"));
        }
        ops.push_back(op);
    }
    return ops;
}

// True when xmllint reads every document as well-formed XML.
inline bool IsWellFormedXml(const std::vector<std::string>& documents) {
    const std::filesystem::path folder = MakeTempFolder("xml");
    std::string command = "xmllint --noout";
    for (size_t i = 0; i < documents.size(); ++i) {
        const std::filesystem::path file = folder / (std::to_string(i) + ".xml");
        WriteFileBytes(file, documents[i]);
        command += " '" + file.string() + "'";
    }
    return std::system(command.c_str()) == 0;
}

}  // namespace test
