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

TEST_F(RegistryTest, CreateMakesIntermediateKeysAndOpenFindsOnlyWhatExists) {
    DWORD disposition = kJunk;
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Software\\A\\B\\C", &disposition));
    EXPECT_EQ(DWORD{REG_CREATED_NEW_KEY}, disposition);
    EXPECT_TRUE(Exists(LM, u"Software\\A") && Exists(LM, u"Software\\A\\B"));
    disposition = kJunk;
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Software\\A\\B\\C", &disposition));
    EXPECT_EQ(DWORD{REG_OPENED_EXISTING_KEY}, disposition);

    // Relative to an open key, and an empty sub key opens the key itself.
    HKEY parent = Create(HKEY_LOCAL_MACHINE, u"Software\\A");
    HKEY child = Create(parent, u"B\\D", &disposition);
    EXPECT_EQ(DWORD{REG_CREATED_NEW_KEY}, disposition);
    EXPECT_TRUE(Exists(LM, u"Software\\A\\B\\D"));
    HKEY same = Create(parent, u"", &disposition);
    EXPECT_EQ(DWORD{REG_OPENED_EXISTING_KEY}, disposition);
    SetDword(same, u"v", 1);
    EXPECT_EQ(1u, GetDword(parent, u"v"));
    for (HKEY k : {parent, child, same}) RegCloseKey(k);

    // A missing key and a bad name fail and clear the result.
    HKEY key = kJunkKey;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_CURRENT_USER, u"\\No\\Such", 0, KEY_ALL_ACCESS, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_FALSE(Exists(ce::RootKey::CurrentUser, u"No"));
    // A key name has at most 255 characters.
    std::u16string name(256, u'x');
    key = kJunkKey;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr,
                                                       0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(nullptr, key);
    name.pop_back();
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, name.c_str()));
}

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

    // Each root is a tree of its own.
    HKEY c = Create(HKEY_CLASSES_ROOT, u"\\exefile");
    EXPECT_TRUE(Exists(ce::RootKey::ClassesRoot, u"exefile"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"exefile", 0, 0, &b));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"exefile", 0, 0, &b));
    for (HKEY k : {a, c}) RegCloseKey(k);
}

// Values keep their bytes and type; a query answers size and type, with ERROR_MORE_DATA and the
// size for a small buffer, which it leaves alone. The empty name is the default value.
TEST_F(RegistryTest, ValuesKeepTheirBytesAndTypeAndQueriesAnswerTheSize) {
    HKEY key = Create(HKEY_CURRENT_USER, u"K");
    const std::vector<std::pair<DWORD, std::vector<BYTE>>> cases = {
        {REG_BINARY, {1, 2, 3}},                // odd size
        {REG_SZ, {'a', 0, 'b', 0}},             // text without its terminating zero
        {REG_DWORD, {1, 2, 3, 4, 5, 6, 7, 8}},  // a "DWORD" of 8 bytes
        {REG_MULTI_SZ, {}},                     // no data at all
        {0x1234, {0xFF}},                       // a type the platform does not know
    };
    for (const auto& [type, data] : cases) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key, u"v", 0, type, data.data(), static_cast<DWORD>(data.size())));
        std::vector<BYTE> back(16, 0xCC);
        DWORD gotType = kJunk, size = static_cast<DWORD>(back.size());
        ASSERT_EQ(ERROR_SUCCESS,
                  RegQueryValueExW(key, u"v", nullptr, &gotType, back.data(), &size));
        EXPECT_EQ(type, gotType);
        back.resize(size);
        EXPECT_EQ(data, back);
    }
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExW(key, u"v", 0, REG_BINARY, nullptr, 4));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"empty", 0, REG_BINARY, nullptr, 0));

    const char16_t text[] = u"Hello";  // 6 characters with the zero: 12 bytes
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"t", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(text), sizeof(text)));
    DWORD type = kJunk, size = kJunk;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"t", nullptr, &type, nullptr, &size));
    EXPECT_EQ(DWORD{REG_SZ}, type);
    EXPECT_EQ(12u, size);
    BYTE buffer[16];
    std::memset(buffer, 0xAB, sizeof(buffer));
    size = 4;
    type = kJunk;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key, u"t", nullptr, &type, buffer, &size));
    EXPECT_EQ(12u, size);
    EXPECT_EQ(DWORD{REG_SZ}, type);
    EXPECT_EQ(0xAB, buffer[0]);
    size = sizeof(buffer);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"t", nullptr, nullptr, buffer, &size));
    EXPECT_EQ(12u, size);
    EXPECT_EQ(0, std::memcmp(buffer, text, 12));
    EXPECT_EQ(0xAB, buffer[12]);

    SetDword(key, u"", 1);
    SetDword(key, u"Default", 2);
    EXPECT_EQ(1u, GetDword(key, nullptr));
    EXPECT_EQ(1u, GetDword(key, u""));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, nullptr));
    size = kJunk;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, u"", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(kJunk, size);
    EXPECT_EQ(2u, GetDword(key, u"Default"));
    RegCloseKey(key);
}

TEST_F(RegistryTest, ClosedForeignAndStaleHandlesAreInvalid) {
    DWORD size = kJunk;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(kJunkKey));
    HKEY key = Create(HKEY_LOCAL_MACHINE, u"K");
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
    DWORD one = 1;
    EXPECT_EQ(ERROR_INVALID_HANDLE,
              RegSetValueExW(key, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteValueW(key, u"v"));
    HKEY child = kJunkKey;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExW(key, u"", 0, 0, &child));
    EXPECT_EQ(nullptr, child);
    EXPECT_EQ(kJunk, size);
    // The predefined roots are never really closed.
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
    key = Create(HKEY_LOCAL_MACHINE, u"K");

    // A handle does not outlive its device.
    {
        test::TempDevice other(ce::Profile{}, false);  // now current
        EXPECT_EQ(ERROR_INVALID_HANDLE,
                  RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size));
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    }
    EXPECT_EQ(kJunk, size);
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

// Whatever names the registry functions accept, an export imports back into an empty device as
// the same registry. Names holding a line break cannot be carried: those keys and values are
// left out, and named, and the rest of the file is whole.
TEST(RegFileRoundTrip, AnExportAlwaysImportsBackIntoAnEmptyDevice) {
    const std::u16string longest[] = {std::u16string(255, u'k'), std::u16string(16383, u'v')};
    const std::u16string keyNames[] = {
        longest[0],    u"a]b",         u"[x",      u" lead", u"trail ", u"tab\tin",
        u"quote\"s",   u";semi",       u"-dash",   u"@",     u"=eq",    u"\u00e9\u4e2d\U0001F600",
        u"\xD800lone", u"line\nbreak", u"cr\rname"};
    const std::u16string valueNames[] = {
        longest[1], u"",   u"@", u"\"",  u"\\",  u"a\\\"b",           u"=",
        u" ",       u"\t", u";", u"[k]", u"x=y", u"\u00e9\U0001F600", u"\xDC00",
        u"v\nw",    u"v\r"};
    const auto breaks = [](std::u16string_view name) {
        return name.find_first_of(u"\r\n") != std::u16string_view::npos;
    };
    std::string expected;
    {
        test::TempDevice original(ce::Profile{}, false);
        for (const std::u16string& keyName : keyNames) {
            const std::u16string path = u"Odd\\" + keyName;
            HKEY key = nullptr;
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                     0, nullptr, &key, nullptr));
            for (const std::u16string& valueName : valueNames) {
                const Bytes data = Utf16(u"data of " + valueName.substr(0, 8));
                ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, valueName.c_str(), 0, REG_SZ,
                                                        data.data(), DWORD(data.size())));
            }
            RegCloseKey(key);
        }
        std::vector<std::string> leftOut;
        expected = ce::FormatRegFile(original.Device().ExportKeys(), &leftOut);
        size_t kept = 0;
        for (const ce::RegKey& key : original.Device().ExportKeys()) {
            if (breaks(key.path)) continue;
            for (const ce::RegValue& value : key.values) kept += !breaks(value.name);
        }
        EXPECT_EQ(kept, (std::size(keyNames) - 2) * (std::size(valueNames) - 2));
        // Two keys, and the two values of each other key.
        EXPECT_EQ(leftOut.size(), 2 + (std::size(keyNames) - 2) * 2);
        EXPECT_THAT(leftOut, Contains("key HKEY_CURRENT_USER\\Odd\\line\\nbreak"));
        EXPECT_THAT(leftOut, Contains("key HKEY_CURRENT_USER\\Odd\\cr\\rname"));
        EXPECT_THAT(leftOut, Contains("value \"v\\nw\" of HKEY_CURRENT_USER\\Odd\\@"));
    }
    test::TempDevice copy(ce::Profile{}, false);
    copy.Device().Import(ce::ParseRegFile(expected));
    std::vector<std::string> leftOut;
    EXPECT_EQ(ce::FormatRegFile(copy.Device().ExportKeys(), &leftOut), expected);
    EXPECT_TRUE(leftOut.empty());
}

}  // namespace
