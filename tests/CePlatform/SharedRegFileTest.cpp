// Registry files shaped like the tweak collections that people share: comments after the data,
// backslashes that are no escapes, both headers, UTF-8 and UTF-16LE with CRLF line ends; and what
// is still refused, at the same line in every encoding.
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

// The file as a registry editor saves it by default: UTF-16LE after a byte-order mark.
std::string Utf16Le(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : ce::FromUtf8(utf8)) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

using test::Describe;

TEST(SharedRegFile, CommentsUnknownEscapesBothHeadersAndBothEncodingsReadAsAnEditorReadsThem) {
    const std::string tweaks =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; Explorer tweaks collected from the forum\r\n"
        "[HKEY_CURRENT_USER\\Software\\Tweaks]\r\n"
        "\"Hidden\"=dword:00000001 ; Show hidden files\r\n"
        "\"Title\"=\"Quenvale; the best\" ; a ';' inside quotes is text\r\n"
        "\"Columns\\RootFolder\"=hex:01,02,03;no blank before the comment\r\n"
        "\"Path\"=\"C:\\Windows\\Fonts\"\t; a tab before it\r\n"
        "\"Dir\"=\"C:\\\\Temp\\\\\"\r\n"
        "\"Order\"=hex(7):41,00,00,00,\\ ; after the continuation\r\n"
        "  42,00,00,00,00,00 ; on the last line\r\n"
        "\"Expand\"=hex(2):25,00,00,00\t \r\n"
        "\"Gone\"=- ; not wanted\r\n"
        "\"Caf\xC3\xA9\"=\"\\\xC3\xA9 \xF0\x9F\x98\x80\"\r\n"
        "\"Empty\"=hex: ; nothing\r\n"
        "@=\"default\" ;\r\n"
        "\r\n"
        "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n";
    const std::string k = "HKEY_CURRENT_USER\\Software\\Tweaks ";
    const std::vector<std::string> ops = {
        "4 HKEY_CURRENT_USER\\Software\\Tweaks",
        "5 " + k + "\"Hidden\"=dword:00000001",
        "6 " + k + "\"Title\"=\"Quenvale; the best\"",
        "7 " + k + "\"Columns\\\\RootFolder\"=hex:01,02,03",
        "8 " + k + "\"Path\"=\"C:\\\\Windows\\\\Fonts\"",
        "9 " + k + "\"Dir\"=\"C:\\\\Temp\\\\\"",
        "10 " + k + "\"Order\"=hex(7):41,00,00,00,42,00,00,00,00,00",
        "12 " + k + "\"Expand\"=hex(2):25,00,00,00",
        "13 " + k + "\"Gone\"=-",
        "14 " + k + "\"Caf\xC3\xA9\"=\"\\\\\xC3\xA9 \xF0\x9F\x98\x80\"",
        "15 " + k + "\"Empty\"=hex:",
        "16 " + k + "@=\"default\"",
        "18 -HKEY_LOCAL_MACHINE\\Software\\Old"};
    const std::vector<std::string> warnings = {
        "line 7: unknown escape \"\\R\" kept as written",
        "line 8: unknown escape \"\\W\" kept as written",
        "line 8: unknown escape \"\\F\" kept as written",
        "line 14: unknown escape \"\\\xC3\xA9\" kept as written"};

    std::string regedit4 = tweaks;
    regedit4.replace(0, regedit4.find('\r'), "REGEDIT4");
    for (const std::string& file :
         {tweaks, "\xEF\xBB\xBF" + tweaks, Utf16Le(tweaks), Utf16Le(regedit4)}) {
        std::vector<std::string> warned;
        EXPECT_EQ(Describe(ce::ParseRegFile(file, &warned)), ops) << file;
        EXPECT_EQ(warned, warnings);
    }
    // Warnings are only for those who ask.
    EXPECT_EQ(Describe(ce::ParseRegFile(tweaks)), ops);
}

// Everything else that is malformed is refused whole, naming the same line in either encoding.
TEST(SharedRegFile, WhatIsStillMalformedIsRefusedAtItsLineInEitherEncoding) {
    const std::string key = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n";  // then line 4
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {key + "\"v\"=dword:1 # no comment\r\n", 4,
         "unexpected \"# no comment\" after the dword (a comment starts with ';')"},
        {key + "\"v\"=dword:;1\r\n", 4, "dword needs 1 to 8 hex digits"},
        {key + "\"v\"=\"x\"y\r\n", 4, "unexpected \"y\" after the string"},
        {key + "\"v\"=- x\r\n", 4, "unexpected \"x\" after the deletion"},
        {key + "\"v\"=hex:01,\\\r\n  02 03\r\n", 5, "unexpected \"03\" after the hex data"},
        {key + "\"v\"=hex:01, ; c\r\n", 4, "expected a hex byte after ','"},
        {key + "\"v\"=hex:01,\\ x\r\n", 4, "bad hex byte \"\\ x\""},
        {key + "\"v\"=\"a\\\"\r\n", 4, "unterminated string"},
        // A name that no export could write back is not imported.
        {key + "\"bare\rcr\"=dword:1\r\n", 4,
         "the value name holds a carriage return, which no registry file can write back"},
        {key + "\"ok\"=dword:1\r\n[HKEY_CURRENT_USER\\a\rb]\r\n", 5,
         "the key name holds a carriage return"},
        {key + "[HKEY_CURRENT_USER\\x] ; no comment after a key\r\n", 4, "trailing garbage"},
        {"\r\n; comment\r\nREGEDIT5\r\n", 2, "missing header"},
    };
    for (const auto& [text, line, reason] : cases) {
        for (const std::string& file : {text, Utf16Le(text)}) {
            EXPECT_THAT([&file] { ce::ParseRegFile(file); },
                        Throws<ce::RegFileError>(
                            AllOf(Property(&ce::RegFileError::line, line),
                                  Property(&ce::RegFileError::what,
                                           AllOf(StartsWith("line " + std::to_string(line) + ": "),
                                                 HasSubstr(reason))))))
                << text;
        }
    }
    // Encodings other than UTF-8 and UTF-16LE, and half a UTF-16 character.
    const std::vector<std::tuple<std::string, int, std::string>> encodings = {
        {"\xFE\xFF\0R"s, 1, "UTF-16 big-endian"},
        {Utf16Le("REGEDIT4\r\n\r\n[HKLM\\K]\r\n") + "x", 4, "ends in half a character"},
    };
    for (const auto& [file, line, reason] : encodings) {
        EXPECT_THAT(
            [&file] { ce::ParseRegFile(file); },
            Throws<ce::RegFileError>(AllOf(Property(&ce::RegFileError::line, line),
                                           Property(&ce::RegFileError::what, HasSubstr(reason)))));
    }
}

}  // namespace
