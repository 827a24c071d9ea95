// Reading registry files as people write and share them: comments after the data, backslashes
// that are no escapes, both headers, UTF-8 and UTF-16LE with CRLF line ends; and what is refused,
// at the same line in every encoding.
#include <CePlatform/RegFile.h>
#include <CePlatform/Unicode.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "RegFileText.h"

namespace {

using namespace testing;
using namespace std::string_literals;
using test::Describe;

// The file as a registry editor saves it by default: UTF-16LE after a byte-order mark.
std::string Utf16Le(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : ce::FromUtf8(utf8)) bytes += {char(c & 0xFF), char(c >> 8)};
    return bytes;
}

TEST(SharedRegFile, CommentsUnknownEscapesBothHeadersAndBothEncodingsReadAsAnEditorReadsThem) {
    const std::string tweaks =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "; Explorer tweaks collected from the forum\r\n"
        "  ; an indented comment\r\n"
        "[hkcu\\\\Software\\\\Tweaks\\]\r\n"
        "\"Hidden\" = DWORD: 1F ; Show hidden files\r\n"
        "\"Title\"=\"Quenvale; the best\" ; a ';' inside quotes is text\r\n"
        "\"Columns\\RootFolder\"=hex:0A,0b,03;no blank before the comment\r\n"
        "\"Path\"=\"C:\\Windows\\Fonts\"\t; a tab before it\r\n"
        "\"Dir\"=\"C:\\\\Temp\\\\\"\r\n"
        "\"Order\"=hex(7):41,00,00,00,\\ ; after the continuation\r\n"
        "\t42,00,00,00,00,00 ; on the last line\r\n"
        "\"Expand\"=hex(2):25,00,00,00\t \r\n"
        "\"Gone\"=- ; not wanted\r\n"
        "\"Caf\xC3\xA9\"=\"\\\xC3\xA9 \xF0\x9F\x98\x80\"\r\n"
        "\"Empty\"=hex: ; nothing\r\n"
        "@= \"default\" ;\r\n"
        "@=-\r\n\r\n"
        "[-HKCU\\Old]\r\n"
        "[HKCR]\r\n"
        "\"f\"=hex(B):01\r\n";
    const std::string k = "HKEY_CURRENT_USER\\Software\\Tweaks ";
    const std::vector<std::string> ops = {
        "5 HKEY_CURRENT_USER\\Software\\Tweaks",
        "6 " + k + "\"Hidden\"=dword:0000001f",
        "7 " + k + "\"Title\"=\"Quenvale; the best\"",
        "8 " + k + "\"Columns\\\\RootFolder\"=hex:0a,0b,03",
        "9 " + k + "\"Path\"=\"C:\\\\Windows\\\\Fonts\"",
        "10 " + k + "\"Dir\"=\"C:\\\\Temp\\\\\"",
        "11 " + k + "\"Order\"=hex(7):41,00,00,00,42,00,00,00,00,00",
        "13 " + k + "\"Expand\"=hex(2):25,00,00,00",
        "14 " + k + "\"Gone\"=-",
        "15 " + k + "\"Caf\xC3\xA9\"=\"\\\\\xC3\xA9 \xF0\x9F\x98\x80\"",
        "16 " + k + "\"Empty\"=hex:",
        "17 " + k + "@=\"default\"",
        "18 " + k + "@=-",
        "20 -HKEY_CURRENT_USER\\Old",
        "21 HKEY_CLASSES_ROOT",
        "22 HKEY_CLASSES_ROOT \"f\"=hex(b):01"};
    const std::vector<std::string> warnings = {
        "line 8: unknown escape \"\\R\" kept as written",
        "line 9: unknown escape \"\\W\" kept as written",
        "line 9: unknown escape \"\\F\" kept as written",
        "line 15: unknown escape \"\\\xC3\xA9\" kept as written"};

    std::string regedit4 = tweaks;
    regedit4.replace(0, regedit4.find('\r'), "REGEDIT4");
    for (const std::string& file :
         {tweaks, "\xEF\xBB\xBF" + tweaks, Utf16Le(tweaks), Utf16Le(regedit4)}) {
        std::vector<std::string> warned;
        EXPECT_EQ(Describe(ce::ParseRegFile(file, &warned)), ops) << file;
        EXPECT_EQ(warned, warnings);
    }
    EXPECT_EQ(Describe(ce::ParseRegFile(tweaks)), ops);  // warnings are only for those who ask
    EXPECT_TRUE(ce::ParseRegFile("\n\n  REGEDIT4  ").empty());
}

// Everything else that is malformed is refused whole, naming the same line in either encoding.
TEST(SharedRegFile, WhatIsMalformedIsRefusedAtItsLineInEitherEncoding) {
    const std::string key = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n";  // then line 4
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {"", 1, "missing header"},
        {"\r\n; comment\r\nREGEDIT5\r\n", 2, "missing header"},
        {"REGEDIT4\n[HKEY_USERS\\x]\n", 2, "unknown root"},
        {"REGEDIT4\n[HKLM\\x\n", 2, "']'"},
        {"REGEDIT4\n[-HKLM]\n", 2, "root"},
        {"REGEDIT4\n[HKLM\\" + std::string(256, 'k') + "]\n", 2, "255"},
        {"REGEDIT4\n\n\"v\"=dword:1\n", 3, "before any key"},
        {"REGEDIT4\n[-HKLM\\x]\n\"v\"=dword:1\n", 3, "after a key deletion"},
        {key + "[HKEY_CURRENT_USER\\x] ; no comment after a key\r\n", 4, "trailing garbage"},
        {key + "\"v=\"x\"\n", 4, "expected '='"},
        {key + "\"v\"=\"a\\\"\r\n", 4, "unterminated string"},
        {key + "\"v\"=\"x\"y\r\n", 4, "unexpected \"y\" after the string"},
        {key + "\"v\"=dword:000000001\n", 4, "dword out of range"},
        {key + "\"v\"=dword:12g\n", 4, "hex digit"},
        {key + "\"v\"=dword:;1\r\n", 4, "dword needs 1 to 8 hex digits"},
        {key + "\"v\"=dword:1 # no comment\r\n", 4,
         "unexpected \"# no comment\" after the dword (a comment starts with ';')"},
        {key + "\n\n; c\n\"ok\"=dword:1\r\n\"bad\"=dword:1 2\r\n", 8, "after the dword"},
        {key + "\"v\"=- x\r\n", 4, "unexpected \"x\" after the deletion"},
        {key + "\"v\"=hex:123\n", 4, "bad hex byte"},
        {key + "\"v\"=hex:01, ; c\r\n", 4, "expected a hex byte after ','"},
        {key + "\"v\"=hex:01,02,\\\n  03,0x\n", 5, "bad hex byte"},
        {key + "\"v\"=hex:01,\\ x\r\n", 4, "bad hex byte \"\\ x\""},
        {key + "\"v\"=hex:01,\\\r\n  02 03\r\n", 5, "unexpected \"03\" after the hex data"},
        {key + "\"v\"=hex(zz):01\n", 4, "type"},
        {key + "\"v\"=hex:01,\\\n", 4, "continuation at end of file"},
        {key + "\"v\"=str:x\n", 4, "unrecognised"},
        {key + "v=1\n", 4, "expected a key line"},
        {key + "\"" + std::string(16384, 'v') + "\"=-\n", 4, "value name longer than 16,383"},
        // A name that no export could write back is not imported.
        {key + "\"bare\rcr\"=dword:1\r\n", 4,
         "the value name holds a carriage return, which no registry file can write back"},
        {key + "\"ok\"=dword:1\r\n[HKEY_CURRENT_USER\\a\rb]\r\n", 5,
         "the key name holds a carriage return"},
        // Encodings other than UTF-8 and UTF-16LE, and half a UTF-16 character (not re-encoded).
        {"\xFF\xFER"s, 1, "UTF-16"},
        {"\xFE\xFF\0R"s, 1, "UTF-16 big-endian"},
        {Utf16Le("REGEDIT4\r\n\r\n[HKLM\\K]\r\n") + "x", 4, "ends in half a character"}};
    for (const auto& [text, line, reason] : cases) {
        const bool encoded = text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
        for (const std::string& file : {text, encoded ? text : Utf16Le(text)}) {
            EXPECT_THAT([&file] { ce::ParseRegFile(file); },
                        Throws<ce::RegFileError>(
                            AllOf(Property(&ce::RegFileError::line, line),
                                  Property(&ce::RegFileError::what,
                                           AllOf(StartsWith("line " + std::to_string(line) + ": "),
                                                 HasSubstr(reason))))))
                << text;
        }
    }
}

}  // namespace
