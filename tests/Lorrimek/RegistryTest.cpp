// CRegistry's read, write and delete rules, checked against the registry itself.
#include <Lorrimek/Registry.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Lorrimek/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

// Stands for another process writing between CRegistry's size query and its data query: when
// set, it runs before every query that passes a data buffer.
std::function<void()> g_beforeDataQuery;

}  // namespace

// Every RegQueryValueExW of this test program passes through here on its way to the platform.
extern "C" LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved,
                                        LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    using Query = LONG (*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    static const auto platform = reinterpret_cast<Query>(dlsym(RTLD_NEXT, "RegQueryValueExW"));
    if (lpData != nullptr && g_beforeDataQuery) g_beforeDataQuery();
    return platform(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
}

namespace {

const HKEY kRoot = HKEY_CURRENT_USER;
const WCHAR kPath[] = u"Software\\RegistryTest";

class RegistryTest : public testing::Test {
protected:
    void TearDown() override { g_beforeDataQuery = nullptr; }

    std::optional<probe::Value> Stored(LPCWSTR name) { return probe::Query(kRoot, kPath, name); }
    std::optional<DWORD> StoredDword(LPCWSTR name) { return probe::Dword(kRoot, kPath, name); }

    test::TempDevice dev_;
};

TEST_F(RegistryTest, ConstructionCreatesOrOnlyOpens) {
    {
        CRegistry created(kRoot, CWideString(u"Software\\A\\B"));
        EXPECT_TRUE(created.IsOpen());
    }
    EXPECT_TRUE(probe::KeyExists(kRoot, u"Software\\A\\B"));
    CRegistry opened(kRoot, u"\\Software\\A\\B", FALSE);
    EXPECT_TRUE(opened.IsOpen());
}

TEST_F(RegistryTest, ReadDwordWritesBackItsDefaultUnlessSentinel) {
    CRegistry key(kRoot, kPath, TRUE);
    EXPECT_EQ(key.ReadDWORD(u"Zero", 0), 0u);
    EXPECT_EQ(StoredDword(u"Zero"), 0u);

    EXPECT_EQ(key.ReadDWORD(u"Sentinel", kReadDefaultSentinel), kReadDefaultSentinel);
    EXPECT_FALSE(Stored(u"Sentinel"));

    ASSERT_TRUE(probe::SetDword(kRoot, kPath, u"Stored", 7));
    EXPECT_EQ(key.ReadDWORD(u"Stored", 3), 7u);
    EXPECT_EQ(key.ReadDWORD(u"Stored", kReadDefaultSentinel), 7u);
    EXPECT_EQ(StoredDword(u"Stored"), 7u);

    EXPECT_EQ(key.ReadDWORD(CWideString(u"Named"), 12), 12u);
    EXPECT_EQ(StoredDword(u"Named"), 12u);
}

TEST_F(RegistryTest, ReadDwordTakesAnyTypeThatFitsFourBytes) {
    CRegistry key(kRoot, kPath, TRUE);
    // "a" and its terminator are exactly 4 bytes: read as a number, left as a text.
    ASSERT_TRUE(probe::SetText(kRoot, kPath, u"Short", u"a"));
    EXPECT_EQ(key.ReadDWORD(u"Short", 1), 0x61u);
    EXPECT_EQ(Stored(u"Short")->type, static_cast<DWORD>(REG_SZ));

    // Fewer than 4 bytes read as those bytes followed by zeros.
    ASSERT_TRUE(probe::Set(kRoot, kPath, u"Two", REG_BINARY, {0x34, 0x12}));
    EXPECT_EQ(key.ReadDWORD(u"Two", 1), 0x1234u);

    // Longer data cannot be read: replaced by the default, or left alone with the sentinel.
    ASSERT_TRUE(probe::SetText(kRoot, kPath, u"Long", u"abcdef"));
    EXPECT_EQ(key.ReadDWORD(u"Long", kReadDefaultSentinel), kReadDefaultSentinel);
    EXPECT_EQ(Stored(u"Long")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(key.ReadDWORD(u"Long", 1), 1u);
    EXPECT_EQ(StoredDword(u"Long"), 1u);
}

TEST_F(RegistryTest, WritesStoreTypeAndExactSize) {
    CRegistry key(kRoot, kPath, TRUE);
    EXPECT_TRUE(key.WriteDWORD(u"Number", 0xDEADBEEF));
    EXPECT_EQ(StoredDword(u"Number"), 0xDEADBEEFu);

    EXPECT_TRUE(key.WriteString(u"Text", u"abc"));
    auto text = Stored(u"Text");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text->data, probe::SzBytes(u"abc"));

    // One string and a single terminating zero, not the double zero of a list.
    EXPECT_TRUE(key.WriteMultiString(u"List", u"abc"));
    auto list = Stored(u"List");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(list->data, probe::SzBytes(u"abc"));

    EXPECT_TRUE(key.WriteString(u"", u"default value"));
    EXPECT_EQ(Stored(u"")->data, probe::SzBytes(u"default value"));

    // An empty string object passes the empty text, which is written.
    EXPECT_TRUE(key.WriteString(CWideString(u"Empty"), CWideString()));
    EXPECT_EQ(Stored(u"Empty")->data, probe::SzBytes(u""));
    EXPECT_TRUE(key.WriteMultiString(CWideString(u"EmptyList"), CWideString()));
    EXPECT_EQ(Stored(u"EmptyList")->type, static_cast<DWORD>(REG_MULTI_SZ));
}

TEST_F(RegistryTest, NullTextWritesNothing) {
    CRegistry key(kRoot, kPath, TRUE);
    ASSERT_TRUE(probe::SetText(kRoot, kPath, u"Kept", u"old"));
    EXPECT_FALSE(key.WriteString(u"Kept", nullptr));
    EXPECT_FALSE(key.WriteMultiString(u"Kept", nullptr));
    EXPECT_EQ(Stored(u"Kept")->data, probe::SzBytes(u"old"));
    EXPECT_FALSE(key.WriteString(u"New", nullptr));
    EXPECT_FALSE(Stored(u"New"));
}

TEST_F(RegistryTest, ReadStringDefaults) {
    CRegistry key(kRoot, kPath, TRUE);
    ASSERT_TRUE(probe::SetText(kRoot, kPath, u"Text", u"hello"));
    EXPECT_EQ(key.ReadString(u"Text", u"dflt"), CWideString(u"hello"));

    // Another type: the default, nothing written.
    ASSERT_TRUE(probe::SetDword(kRoot, kPath, u"Number", 5));
    EXPECT_EQ(key.ReadString(u"Number", u"dflt"), CWideString(u"dflt"));
    EXPECT_EQ(key.ReadString(u"Number", nullptr), CWideString());
    EXPECT_EQ(StoredDword(u"Number"), 5u);
    ASSERT_TRUE(probe::Set(kRoot, kPath, u"Expand", REG_EXPAND_SZ, probe::SzBytes(u"%x%")));
    EXPECT_EQ(key.ReadString(u"Expand", u"dflt"), CWideString(u"dflt"));
    EXPECT_EQ(Stored(u"Expand")->type, static_cast<DWORD>(REG_EXPAND_SZ));

    // Missing: a given default is written as REG_SZ, a null one writes nothing.
    EXPECT_EQ(key.ReadString(u"Missing", u"dflt"), CWideString(u"dflt"));
    EXPECT_EQ(Stored(u"Missing")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Stored(u"Missing")->data, probe::SzBytes(u"dflt"));
    EXPECT_EQ(key.ReadString(u"Absent", nullptr), CWideString());
    EXPECT_FALSE(Stored(u"Absent"));

    // Through the string class the default is never null, even when empty.
    EXPECT_EQ(key.ReadString(CWideString(u"Created"), CWideString()), CWideString());
    EXPECT_EQ(Stored(u"Created")->data, probe::SzBytes(u""));
}

TEST_F(RegistryTest, TextReadsStayWithinTheStoredBytes) {
    CRegistry key(kRoot, kPath, TRUE);
    using namespace std::string_literals;

    ASSERT_TRUE(probe::Set(kRoot, kPath, u"Embedded", REG_SZ, probe::SzBytes(u"ab\0cd"s)));
    EXPECT_EQ(key.ReadString(u"Embedded", u"x"), CWideString(u"ab"));

    ASSERT_TRUE(probe::Set(kRoot, kPath, u"Unterminated", REG_SZ, probe::Bytes(u"abc")));
    EXPECT_EQ(key.ReadString(u"Unterminated", u"x"), CWideString(u"abc"));

    // A trailing half character is dropped.
    ASSERT_TRUE(probe::Set(kRoot, kPath, u"Odd", REG_SZ, {'a', 0, 'b', 0, 'c'}));
    EXPECT_EQ(key.ReadString(u"Odd", u"x"), CWideString(u"ab"));

    ASSERT_TRUE(probe::Set(kRoot, kPath, u"Nothing", REG_SZ, {}));
    EXPECT_EQ(key.ReadString(u"Nothing", u"x"), CWideString());
    EXPECT_TRUE(Stored(u"Nothing")->data.empty());

    const std::u16string big(size_t{512} * 1024, u'x');  // 1 MB of text
    ASSERT_TRUE(probe::Set(kRoot, kPath, u"Big", REG_SZ, probe::Bytes(big)));
    const CWideString read = key.ReadString(u"Big", u"x");
    EXPECT_EQ(read.GetLength(), static_cast<int>(big.size()));
    EXPECT_TRUE(read.View() == big);
}

TEST_F(RegistryTest, ReadMultiStringGivesTheFirstString) {
    CRegistry key(kRoot, kPath, TRUE);
    using namespace std::string_literals;
    ASSERT_TRUE(probe::Set(kRoot, kPath, u"List", REG_MULTI_SZ, probe::Bytes(u"one\0two\0\0"s)));
    EXPECT_EQ(key.ReadMultiString(u"List", u"x"), CWideString(u"one"));
    ASSERT_TRUE(probe::SetText(kRoot, kPath, u"Text", u"plain"));
    EXPECT_EQ(key.ReadMultiString(u"Text", u"x"), CWideString(u"x"));
    EXPECT_EQ(key.ReadString(u"List", u"x"), CWideString(u"x"));
}

TEST_F(RegistryTest, ReadMultiStringWritesAMissingValueAsPlainText) {
    CRegistry key(kRoot, kPath, TRUE);
    EXPECT_EQ(key.ReadMultiString(u"List", u"first"), CWideString(u"first"));
    const auto written = Stored(u"List");
    ASSERT_TRUE(written);
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(written->data, probe::SzBytes(u"first"));

    // Now of another type: the default of this call, and the value stays as it was.
    EXPECT_EQ(key.ReadMultiString(u"List", u"second"), CWideString(u"second"));
    EXPECT_EQ(Stored(u"List")->data, probe::SzBytes(u"first"));

    EXPECT_EQ(key.ReadMultiString(u"Absent", nullptr), CWideString());
    EXPECT_FALSE(Stored(u"Absent"));
}

TEST_F(RegistryTest, DeleteValueAndQueryValueType) {
    CRegistry key(kRoot, kPath, TRUE);
    ASSERT_TRUE(probe::Set(kRoot, kPath, u"List", REG_MULTI_SZ, probe::SzBytes(u"a")));
    DWORD type = probe::kJunk;
    EXPECT_TRUE(key.QueryValueType(u"List", &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_TRUE(key.QueryValueType(u"List", nullptr));

    EXPECT_TRUE(key.DeleteValue(u"List"));
    EXPECT_FALSE(Stored(u"List"));
    EXPECT_FALSE(key.DeleteValue(u"List"));

    type = probe::kJunk;
    EXPECT_FALSE(key.QueryValueType(u"List", &type));
    EXPECT_EQ(type, probe::kJunk);
    EXPECT_FALSE(Stored(u"List")) << "asking for the type must not create the value";
}

TEST_F(RegistryTest, WithoutKeyReadsDefaultsAndWritesFail) {
    CRegistry key(kRoot, u"Software\\Nowhere\\Deeper", FALSE);
    ASSERT_FALSE(key.IsOpen());
    EXPECT_EQ(key.ReadDWORD(u"V", 3), 3u);
    EXPECT_EQ(key.ReadDWORD(u"V", kReadDefaultSentinel), kReadDefaultSentinel);
    EXPECT_EQ(key.ReadString(u"V", u"dflt"), CWideString(u"dflt"));
    EXPECT_EQ(key.ReadString(u"V", nullptr), CWideString());
    EXPECT_EQ(key.ReadMultiString(u"V", u"dflt"), CWideString(u"dflt"));
    EXPECT_FALSE(key.WriteDWORD(u"V", 1));
    EXPECT_FALSE(key.WriteString(u"V", u"t"));
    EXPECT_FALSE(key.WriteMultiString(u"V", u"t"));
    EXPECT_FALSE(key.DeleteValue(u"V"));
    DWORD type = probe::kJunk;
    EXPECT_FALSE(key.QueryValueType(u"V", &type));
    EXPECT_EQ(type, probe::kJunk);
    EXPECT_FALSE(probe::KeyExists(kRoot, u"Software\\Nowhere"));
}

// Another process may change a text between the size query and the data query.
class RegistryRaceTest : public RegistryTest {
protected:
    void SetUp() override { ASSERT_TRUE(probe::SetText(kRoot, kPath, u"Text", u"short")); }
};

TEST_F(RegistryRaceTest, GrownTextIsReadAgain) {
    CRegistry key(kRoot, kPath, TRUE);
    int writes = 0;
    g_beforeDataQuery = [&] {
        if (writes++ == 0) probe::SetText(kRoot, kPath, u"Text", u"a much longer text");
    };
    EXPECT_EQ(key.ReadString(u"Text", u"dflt"), CWideString(u"a much longer text"));
    EXPECT_EQ(Stored(u"Text")->data, probe::SzBytes(u"a much longer text"));
}

TEST_F(RegistryRaceTest, TextThatKeepsGrowingIsNotOverwritten) {
    CRegistry key(kRoot, kPath, TRUE);
    std::u16string text(u"short");
    g_beforeDataQuery = [&] {
        text += u" and more";
        probe::SetText(kRoot, kPath, u"Text", text);
    };
    const CWideString read = key.ReadString(u"Text", u"dflt");
    g_beforeDataQuery = nullptr;
    EXPECT_EQ(read, CWideString(u"dflt"));
    EXPECT_EQ(Stored(u"Text")->data, probe::SzBytes(text));
}

TEST_F(RegistryRaceTest, TextReplacedByAnotherTypeIsLeftAlone) {
    CRegistry key(kRoot, kPath, TRUE);
    g_beforeDataQuery = [&] { probe::SetDword(kRoot, kPath, u"Text", 9); };
    EXPECT_EQ(key.ReadString(u"Text", u"dflt"), CWideString(u"dflt"));
    g_beforeDataQuery = nullptr;
    EXPECT_EQ(StoredDword(u"Text"), 9u);
}

TEST_F(RegistryRaceTest, TextDeletedMeanwhileCountsAsMissing) {
    CRegistry key(kRoot, kPath, TRUE);
    g_beforeDataQuery = [&] {
        CRegistry other(kRoot, kPath, FALSE);
        other.DeleteValue(u"Text");
    };
    EXPECT_EQ(key.ReadString(u"Text", u"dflt"), CWideString(u"dflt"));
    g_beforeDataQuery = nullptr;
    EXPECT_EQ(Stored(u"Text")->data, probe::SzBytes(u"dflt"));
}

}  // namespace
