// The registry store's imports, and registry files: the text form of every value type and its
// round trip through a file.
#include <CePlatform/Device.h>
#include <CePlatform/RegFile.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "RegFileText.h"
#include "support/TempDevice.h"

namespace {

const auto LM = ce::RootKey::LocalMachine;

// An import is one transaction: an operation that fails (here a key name longer than 255
// characters, which no parsed file holds) takes back the ones before it, log entries included.
TEST(RegistryImport, AnImportThatFailsChangesNothing) {
    test::TempDevice device(ce::Profile{}, /*seed=*/false);
    ce::Device& d = device.Device();
    const size_t logged = d.Changes().size();
    const std::vector<ce::RegFileOp> ops = {
        {ce::RegFileOp::kSetValue, 0, LM, u"Before", {u"v", REG_DWORD, {1, 0, 0, 0}}},
        {ce::RegFileOp::kCreateKey, 0, LM, u"Long\\" + std::u16string(256, u'k'), {}}};
    EXPECT_THROW(d.Import(ops), ce::DeviceError);
    EXPECT_FALSE(d.KeyExists(LM, u"Before"));
    EXPECT_EQ(logged, d.Changes().size());
}

// Registry files.

using namespace std::string_view_literals;
using Op = ce::RegFileOp;
using test::Bytes;
using test::Describe;
using test::Utf16;
using namespace testing;

auto Fields(const ce::RegValue& v) { return std::tie(v.name, v.type, v.data); }

// The data of each type as a file holds it, which reads back byte for byte.
TEST(RegFileFormat, EachTypeHasItsFormComesBackByteForByteAndLongHexWraps) {
    const std::vector<std::tuple<uint32_t, Bytes, std::string>> forms = {
        {1, Utf16(u""), "\"\""},
        {1, Utf16(u"C:\\a \"b\""), R"("C:\\a \"b\"")"},
        {1, Utf16(u"\u00e9\U0001F600"), "\"\xC3\xA9\xF0\x9F\x98\x80\""},
        {4, {0x2a, 0xBE, 0, 0xFF}, "dword:ff00be2a"},
        {3, {0x01, 0xAB, 0xFF}, "hex:01,ab,ff"},
        {3, {}, "hex:"},
        {7, Utf16(u"A\0"sv), "hex(7):41,00,00,00,00,00"},
        {0xfffffffb, {1}, "hex(fffffffb):01"},
        // Texts that the quoted form would not give back byte for byte, and DWORDs of another size.
        {1, {}, "hex(1):"},
        {1, {0x41, 0, 0}, "hex(1):41,00,00"},
        {1, Utf16(u"A", false), "hex(1):41,00"},
        {1, Utf16(u"A\0B"sv), "hex(1):41,00,00,00,42,00,00,00"},
        {1, Utf16(u"A\0"sv), "hex(1):41,00,00,00,00,00"},
        {1, Utf16(u"\t"), "hex(1):09,00,00,00"},
        {1, Utf16(u"\xD800"), "hex(1):00,d8,00,00"},
        {1, Utf16(u"\xDBFFy"), "hex(1):ff,db,79,00,00,00"},
        {1, Utf16(u"\xDC00x"), "hex(1):00,dc,78,00,00,00"},
        {4, {1, 0, 0}, "hex(4):01,00,00"}};
    std::vector<ce::RegValue> values = {{u"long", 3, Bytes(1000, 0x5a)}};
    for (const auto& [type, data, text] : forms) {
        EXPECT_EQ(ce::FormatValueData(type, data), text);
        values.push_back({values.size() == 1 ? u"" : u"\"q\" \\ \u00e9\U0001F600", type, data});
    }
    const std::u16string path = u"Software\\Round \u00e9\\Trip";
    const std::vector<Op> ops =
        ce::ParseRegFile(ce::FormatRegFile({{ce::RootKey::CurrentUser, path, values}}));
    ASSERT_EQ(ops.size(), values.size() + 1);
    EXPECT_EQ(ops[0].path, path);
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(Fields(ops[i + 1].value), Fields(values[i])) << i;

    // Long hex data wraps as regedit does.
    std::string row;
    for (int i = 0; i < 25; ++i) row += "ab,";
    EXPECT_EQ(ce::FormatValueLine({u"Order", 7, Bytes(100, 0xab)}),
              "\"Order\"=hex(7):" + row.substr(0, 21 * 3) + "\\\n  " + row + "\\\n  " + row +
                  "\\\n  " + row + "\\\n  ab,ab,ab,ab");
    // The first line starts at the given column; no line passes column 80.
    EXPECT_EQ(ce::FormatValueData(3, Bytes(30, 1), 60).find('\n'), 20u);
    EXPECT_EQ(ce::FormatValueData(3, Bytes(25, 1)).find('\n'), std::string::npos);

    EXPECT_EQ(ce::FormatRegFile({{ce::RootKey::LocalMachine, u"A\\B", {{u"", 1, Utf16(u"d")}}},
                                 {ce::RootKey::ClassesRoot, u"", {}}}),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A\\B]\n@=\"d\"\n\n[HKEY_CLASSES_ROOT]\n\n");
}

}  // namespace
