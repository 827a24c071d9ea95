// Registry files: the text form of every value type, the round trip through a file, what import
// tolerates, and the line that each malformed file is reported at.
#include <CePlatform/RegFile.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_view_literals;
using Bytes = std::vector<uint8_t>;

Bytes Utf16(std::u16string_view text, bool terminate = true) {
    Bytes out;
    for (char16_t c : text) out.insert(out.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
    if (terminate) out.insert(out.end(), {0, 0});
    return out;
}

// One line per operation, in the file's own text form.
std::vector<std::string> Describe(const std::vector<ce::RegFileOp>& ops) {
    static const char* const kinds[] = {"create", "delete", "set", "delete"};
    std::vector<std::string> out;
    for (const ce::RegFileOp& op : ops) {
        std::string s =
            std::to_string(op.line) + " " + kinds[op.kind] + " " + ce::KeyName(op.root, op.path);
        if (op.kind == ce::RegFileOp::kSetValue) s += " " + ce::FormatValueLine(op.value);
        if (op.kind == ce::RegFileOp::kDeleteValue) {
            const std::string line = ce::FormatValueLine({op.value.name, 0, {}});
            s += " " + line.substr(0, line.size() - 7) + "-";  // "=hex(0):" becomes "=-"
        }
        out.push_back(s);
    }
    return out;
}

TEST(RegFileFormat, EachTypeHasItsForm) {
    EXPECT_EQ(ce::FormatValueData(1, Utf16(u"abc")), "\"abc\"");
    EXPECT_EQ(ce::FormatValueData(1, Utf16(u"")), "\"\"");
    EXPECT_EQ(ce::FormatValueData(1, Utf16(u"a\"b\\c")), R"("a\"b\\c")");
    EXPECT_EQ(ce::FormatValueData(1, Utf16(u"\u00e9\U0001F600")), "\"\xC3\xA9\xF0\x9F\x98\x80\"");
    EXPECT_EQ(ce::FormatValueData(4, {0xEF, 0xBE, 0xAD, 0xDE}), "dword:deadbeef");
    EXPECT_EQ(ce::FormatValueData(4, {0x2a, 0, 0, 0}), "dword:0000002a");
    EXPECT_EQ(ce::FormatValueData(3, {0x01, 0xAB, 0xFF}), "hex:01,ab,ff");
    EXPECT_EQ(ce::FormatValueData(3, {}), "hex:");
    EXPECT_EQ(ce::FormatValueData(7, Utf16(u"A\0"sv)), "hex(7):41,00,00,00,00,00");
    EXPECT_EQ(ce::FormatValueData(2, Utf16(u"%")), "hex(2):25,00,00,00");
    EXPECT_EQ(ce::FormatValueData(0, {}), "hex(0):");
    EXPECT_EQ(ce::FormatValueData(11, {1}), "hex(b):01");

    // Texts that the quoted form would not give back byte for byte, and DWORDs of another size.
    EXPECT_EQ(ce::FormatValueData(1, {}), "hex(1):");
    EXPECT_EQ(ce::FormatValueData(1, {0x41, 0, 0}), "hex(1):41,00,00");
    EXPECT_EQ(ce::FormatValueData(1, Utf16(u"A", false)), "hex(1):41,00");
    EXPECT_EQ(ce::FormatValueData(1, Utf16(u"A\0B"sv)), "hex(1):41,00,00,00,42,00,00,00");
    EXPECT_EQ(ce::FormatValueData(1, Utf16(u"A\0"sv)), "hex(1):41,00,00,00,00,00");
    EXPECT_EQ(ce::FormatValueData(1, Utf16(u"\t")), "hex(1):09,00,00,00");
    EXPECT_EQ(ce::FormatValueData(1, Utf16(u"\xD800")), "hex(1):00,d8,00,00");
    EXPECT_EQ(ce::FormatValueData(1, Utf16(u"\xDC00x")), "hex(1):00,dc,78,00,00,00");
    EXPECT_EQ(ce::FormatValueData(4, {1, 0, 0}), "hex(4):01,00,00");
}

TEST(RegFileFormat, LongHexWrapsAsRegeditDoes) {
    std::string row;
    for (int i = 0; i < 25; ++i) row += "ab,";
    EXPECT_EQ(ce::FormatValueLine({u"Order", 7, Bytes(100, 0xab)}),
              "\"Order\"=hex(7):" + row.substr(0, 21 * 3) + "\\\n  " + row + "\\\n  " + row +
                  "\\\n  " + row + "\\\n  ab,ab,ab,ab");
    // The first line starts at the given column; no line passes column 80.
    const std::string data = ce::FormatValueData(3, Bytes(30, 1), 60);
    EXPECT_EQ(data.find('\n'), 20u);
    EXPECT_EQ(ce::FormatValueData(3, Bytes(25, 1)).find('\n'), std::string::npos);

    EXPECT_EQ(ce::FormatRegFile({{ce::RootKey::LocalMachine, u"A\\B", {{u"", 1, Utf16(u"d")}}},
                                 {ce::RootKey::ClassesRoot, u"", {}}}),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A\\B]\n@=\"d\"\n\n[HKEY_CLASSES_ROOT]\n\n");
}

TEST(RegFileRoundTrip, EveryTypeComesBackByteForByte) {
    const std::vector<ce::RegValue> values = {
        {u"", 1, Utf16(u"default")},
        {u"quoted \"name\" \\ here", 1, Utf16(u"C:\\path \"x\"")},
        {u"\u00e9t\u00e9 \U0001F600", 1, Utf16(u"\u4e2d\u6587 \U0001F600")},
        {u"empty", 1, Utf16(u"")},
        {u"no data", 1, {}},
        {u"odd", 1, {0x41, 0, 0}},
        {u"unterminated", 1, Utf16(u"abc", false)},
        {u"embedded zero", 1, Utf16(u"a\0b"sv)},
        {u"control", 1, Utf16(u"line\r\nbreak")},
        {u"lone surrogate", 1, Utf16(u"x\xDBFFy")},
        {u"dword", 4, {0xff, 0xff, 0xff, 0xff}},
        {u"short dword", 4, {1, 2}},
        {u"binary", 3, {0, 1, 0x7f, 0x80, 0xff}},
        {u"empty binary", 3, {}},
        {u"long binary", 3, Bytes(1000, 0x5a)},
        {u"multi", 7, Utf16(u"one\0two\0"sv)},
        {u"expand", 2, Utf16(u"%windir%\\x")},
        {u"none", 0, {9}},
        {u"huge type", 0xffffffff, {1}},
    };
    const std::vector<ce::RegKey> keys = {
        {ce::RootKey::CurrentUser, u"Software\\Round \u00e9\\Trip", values}};
    const std::string text = ce::FormatRegFile(keys);
    const std::vector<ce::RegFileOp> ops = ce::ParseRegFile(text);
    ASSERT_EQ(ops.size(), values.size() + 1);
    EXPECT_EQ(ops[0].path, keys[0].path);
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(ops[i + 1].kind, ce::RegFileOp::kSetValue);
        EXPECT_TRUE(ops[i + 1].value.name == values[i].name) << i;
        EXPECT_EQ(ops[i + 1].value.type, values[i].type) << i;
        EXPECT_EQ(ops[i + 1].value.data, values[i].data) << i;
    }
}

TEST(RegFileParse, AcceptsWhatHandWrittenFilesHold) {
    const std::string text =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "  ; an indented comment\r\n"
        "[hklm\\\\Software\\\\X\\]\r\n"
        "\"a\" = dword:1F\r\n"
        "@= \"default\"\r\n"
        "\"b\"=DWORD: FFFFFFFF\r\n"
        "\"c\"=hex:0A,0b,\\\r\n"
        "      0C\r\n"
        "\"d\"=hex(7):41,00,\\\r\n"
        "\t00,00\r\n"
        "\"e\"=-\r\n"
        "@=-\r\n"
        "[-HKCU\\Old]\r\n"
        "[HKCR]\r\n"
        "\"f\"=hex(B):01\r\n";
    EXPECT_EQ(Describe(ce::ParseRegFile(text)),
              (std::vector<std::string>{
                  "5 create HKEY_LOCAL_MACHINE\\Software\\X",
                  "6 set HKEY_LOCAL_MACHINE\\Software\\X \"a\"=dword:0000001f",
                  "7 set HKEY_LOCAL_MACHINE\\Software\\X @=\"default\"",
                  "8 set HKEY_LOCAL_MACHINE\\Software\\X \"b\"=dword:ffffffff",
                  "9 set HKEY_LOCAL_MACHINE\\Software\\X \"c\"=hex:0a,0b,0c",
                  "11 set HKEY_LOCAL_MACHINE\\Software\\X \"d\"=hex(7):41,00,00,00",
                  "13 delete HKEY_LOCAL_MACHINE\\Software\\X \"e\"=-",
                  "14 delete HKEY_LOCAL_MACHINE\\Software\\X @=-",
                  "15 delete HKEY_CURRENT_USER\\Old",
                  "16 create HKEY_CLASSES_ROOT",
                  "17 set HKEY_CLASSES_ROOT \"f\"=hex(b):01",
              }));
    EXPECT_TRUE(ce::ParseRegFile("\n\n  REGEDIT4  ").empty());
}

TEST(RegFileKeyNames, ParseNormalisesAndKeyNameJoins) {
    ce::RootKey root = static_cast<ce::RootKey>(77);
    std::u16string path = u"junk";
    ASSERT_TRUE(ce::ParseKeyName("HKEY_LOCAL_MACHINE\\\\Software\\\\\\X\\", &root, &path));
    EXPECT_EQ(root, ce::RootKey::LocalMachine);
    EXPECT_EQ(path, u"Software\\X");
    path = u"junk";
    ASSERT_TRUE(ce::ParseKeyName("hkey_current_user", &root, &path));
    EXPECT_EQ(root, ce::RootKey::CurrentUser);
    EXPECT_EQ(path, u"");
    ASSERT_TRUE(ce::ParseKeyName("HkCr\\.exe", &root, &path));
    EXPECT_EQ(root, ce::RootKey::ClassesRoot);
    EXPECT_EQ(path, u".exe");
    for (const char* bad : {"HKEY_USERS\\x", "HKLMX\\x", ""}) {
        EXPECT_FALSE(ce::ParseKeyName(bad, &root, &path)) << bad;
    }
    EXPECT_EQ(ce::KeyName(ce::RootKey::CurrentUser, u"A\\\u00e9"),
              "HKEY_CURRENT_USER\\A\\\xC3\xA9");
}

TEST(RegFileErrors, NameTheLineAndTheReason) {
    const std::string key = "REGEDIT4\n\n[HKLM\\K]\n";  // a value line after this is line 4
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {"", 1, "missing header"},
        {"\n\nREGEDIT5\n", 3, "missing header"},
        {"; comment\nREGEDIT4\n", 1, "missing header"},
        {"\xFF\xFE"
         "R",
         1, "UTF-16"},
        {"REGEDIT4\n[HKEY_USERS\\x]\n", 2, "unknown root"},
        {"REGEDIT4\n[HKLM\\x\n", 2, "']'"},
        {"REGEDIT4\n[HKLM\\x] y\n", 2, "trailing garbage"},
        {"REGEDIT4\n[-HKLM]\n", 2, "root"},
        {"REGEDIT4\n[HKLM\\" + std::string(256, 'k') + "]\n", 2, "255"},
        {"REGEDIT4\n\n\"v\"=dword:1\n", 3, "before any key"},
        {"REGEDIT4\n[-HKLM\\x]\n\"v\"=dword:1\n", 3, "after a key deletion"},
        {key + "\"v=\"x\"\n", 4, "expected '='"},
        {key + "\"v\"=\"x\n", 4, "unterminated string"},
        {key + "\"v\"=\"a\\nb\"\n", 4, "bad escape"},
        {key + "\"v\"=\"x\" y\n", 4, "trailing garbage"},
        {key + "\"v\"=dword:100000000\n", 4, "dword out of range"},
        {key + "\"v\"=dword:12g\n", 4, "hex digit"},
        {key + "\"v\"=hex:1g\n", 4, "bad hex byte"},
        {key + "\"v\"=hex:123\n", 4, "bad hex byte"},
        {key + "\"v\"=hex:01,\n", 4, "hex byte"},
        {key + "\"v\"=hex:01,02,\\\n  03,0x\n", 5, "bad hex byte"},
        {key + "\"v\"=hex:01 02\n", 4, "trailing garbage"},
        {key + "\"v\"=hex(zz):01\n", 4, "type"},
        {key + "\"v\"=hex:01,\\\n", 4, "continuation at end of file"},
        {key + "\"v\"=str:x\n", 4, "unrecognised"},
        {key + "v=1\n", 4, "expected a key line"},
        {key + "\n\n; c\n\"ok\"=dword:1\r\n\"bad\"=dword:1 2\r\n", 8, "hex digit"},
    };
    for (const auto& [text, line, reason] : cases) {
        try {
            ce::ParseRegFile(text);
            ADD_FAILURE() << "no error for: " << text;
        } catch (const ce::RegFileError& e) {
            EXPECT_EQ(e.line(), line) << text;
            const std::string what = e.what();
            EXPECT_EQ(what.rfind("line " + std::to_string(line) + ": ", 0), 0u) << what;
            EXPECT_NE(what.find(reason), std::string::npos) << what;
        }
    }
}

}  // namespace
