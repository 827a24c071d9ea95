// Win32 registry semantics of the stand-in, pinned by small named cases (out-parameters are preset
// to junk so that one left untouched, or touched when it should not be, is caught); and registry
// files: the text form of every value type, the round trip through a file, what import tolerates,
// and the line that each malformed file is reported at.
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
#include "support/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

constexpr DWORD kJunk = 0xDEADBEEF;
HKEY const kJunkKey = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x0BADF00D));
const auto LM = ce::RootKey::LocalMachine;

class RegistryTest : public ::testing::Test {
protected:
    bool Exists(ce::RootKey root, std::u16string_view path) const {
        return device_.Device().KeyExists(root, path);
    }
    HKEY Create(HKEY root, LPCWSTR path, DWORD* disposition = nullptr) {
        HKEY key = kJunkKey;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &key, disposition));
        return key;
    }
    static void SetDword(HKEY key, LPCWSTR name, DWORD value) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, REG_DWORD,
                                                reinterpret_cast<const BYTE*>(&value), 4));
    }
    static DWORD GetDword(HKEY key, LPCWSTR name) {
        DWORD value = kJunk, size = sizeof(value), type = kJunk;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, name, nullptr, &type,
                                                  reinterpret_cast<BYTE*>(&value), &size));
        EXPECT_EQ(DWORD{REG_DWORD}, type);
        return value;
    }

    test::TempDevice device_{ce::Profile{}, /*seed=*/false};
};

TEST_F(RegistryTest, NamesIgnoreCaseAndExtraBackslashesAndKeepTheirFirstCase) {
    HKEY a = Create(HKEY_LOCAL_MACHINE, u"\\SOFTWARE\\Microsoft\\Inbox\\Settings\\");
    HKEY b = kJunkKey;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\\\microsoft\\INBOX\\settings", 0,
                            KEY_ALL_ACCESS, &b));
    SetDword(a, u"SMSNoSentMsg", 1);
    EXPECT_EQ(1u, GetDword(b, u"smsnosentmsg"));
    SetDword(b, u"SMSNOSENTMSG", 2);
    EXPECT_EQ(2u, GetDword(a, u"SMSNoSentMsg"));
    SetDword(a, u"Gone", 3);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(b, u"GONE"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(a, u"gone"));

    const auto keys = device_.Device().ExportKeys(LM, u"software");
    ASSERT_EQ(4u, keys.size());
    EXPECT_EQ(u"SOFTWARE\\Microsoft\\Inbox\\Settings", keys.back().path);
    ASSERT_EQ(1u, keys.back().values.size());
    EXPECT_EQ(u"SMSNoSentMsg", keys.back().values[0].name);
    // The change log names the key as stored, whichever handle wrote.
    for (const ce::Change& c : device_.Device().Changes()) {
        if (c.kind == ce::Change::kSetValue || c.kind == ce::Change::kDeleteValue) {
            EXPECT_EQ("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Inbox\\Settings", c.key);
        }
    }

    RegCloseKey(a);
    RegCloseKey(b);
}

// Every write and deletion is in the change log; a key deleted under an open handle goes with
// everything below it, logged under the names of what went, deepest first.
TEST_F(RegistryTest, ChangeLogAndAKeyDeletedUnderAnOpenHandle) {
    HKEY key = Create(HKEY_CURRENT_USER, u"\\ControlPanel\\Phone");
    SetDword(key, u"CallHistoryMax", 100);
    SetDword(key, u"callhistorymax", 500);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, u"CallHistoryMax"));
    SetDword(key, u"v", 1);
    probe::Apply(ce::RegFileOp::kDeleteKey, HKEY_CURRENT_USER, u"ControlPanel");
    DWORD value = 1, size = 4;
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegSetValueExW(key, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4));
    EXPECT_FALSE(Exists(ce::RootKey::CurrentUser, u"ControlPanel\\Phone"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    const auto data = [](const std::optional<ce::RegValue>& v) {
        return v ? ce::FormatValueData(v->type, v->data) : std::string("-");
    };
    std::vector<std::string> logged;
    for (const ce::Change& c : device_.Device().Changes()) {
        EXPECT_EQ(getpid(), c.pid);
        EXPECT_EQ(24u, c.time.size()) << c.time;
        logged.push_back(std::to_string(c.kind) + " " + c.key + " " + ce::ToUtf8(c.valueName) +
                         " " + data(c.before) + " " + data(c.after));
    }
    const std::string phone = "HKEY_CURRENT_USER\\ControlPanel\\Phone ";
    EXPECT_EQ(logged, (std::vector<std::string>{
                          "2 HKEY_CURRENT_USER\\ControlPanel  - -",
                          "2 " + phone + " - -",
                          "0 " + phone + "CallHistoryMax - dword:00000064",
                          "0 " + phone + "CallHistoryMax dword:00000064 dword:000001f4",
                          "1 " + phone + "CallHistoryMax dword:000001f4 -",
                          "0 " + phone + "v - dword:00000001",
                          "1 " + phone + "v dword:00000001 -",
                          "3 " + phone + " - -",
                          "3 HKEY_CURRENT_USER\\ControlPanel  - -",
                      }));
}

// An import is one transaction: an operation that fails (here a key name longer than 255
// characters, which no parsed file holds) takes back the ones before it, log entries included.
TEST_F(RegistryTest, AnImportThatFailsChangesNothing) {
    ce::Device& d = device_.Device();
    const size_t logged = d.Changes().size();
    const std::vector<ce::RegFileOp> ops = {
        {ce::RegFileOp::kSetValue, 0, LM, u"Before", {u"v", REG_DWORD, {1, 0, 0, 0}}},
        {ce::RegFileOp::kCreateKey, 0, LM, u"Long\\" + std::u16string(256, u'k'), {}},
    };
    EXPECT_THROW(d.Import(ops), ce::DeviceError);
    EXPECT_FALSE(Exists(LM, u"Before"));
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
