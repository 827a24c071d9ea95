// CRegistry's read, write and delete rules, checked against the registry itself.
#include <Lorrimek/Registry.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "support/PlatformHooks.h"
#include "support/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

using probe::DwordValue;
using probe::SzValue;

const HKEY kRoot = HKEY_CURRENT_USER;
const WCHAR kPath[] = u"Software\\RegistryTest";

class RegistryTest : public testing::Test {
protected:
    void TearDown() override { hooks::Clear(); }

    std::optional<probe::Value> Stored(LPCWSTR name) { return probe::Query(kRoot, kPath, name); }
    void Store(LPCWSTR name, const probe::Value& value) { probe::Set(kRoot, kPath, name, value); }
    // Sets "V" to `value`, or removes it.
    void Put(const std::optional<probe::Value>& value) {
        if (value) return Store(u"V", *value);
        probe::Apply(ce::RegFileOp::kDeleteValue, kRoot, kPath, u"V");
    }

    test::TempDevice dev_;
    CRegistry key_{kRoot, kPath, TRUE};
};

TEST_F(RegistryTest, ConstructionCreatesOrOnlyOpens) {
    EXPECT_TRUE(CRegistry(kRoot, CWideString(u"Software\\A\\B")).IsOpen());
    EXPECT_TRUE(CRegistry(kRoot, u"Software\\A\\B", FALSE).IsOpen());

    // An object without a key reads the defaults and fails every write, creating nothing.
    CRegistry none(kRoot, u"Software\\Nowhere\\Deeper", FALSE);
    ASSERT_FALSE(none.IsOpen());
    EXPECT_EQ(none.ReadDWORD(u"V", 3), 3u);
    EXPECT_EQ(none.ReadDWORD(u"V", kReadDefaultSentinel), kReadDefaultSentinel);
    EXPECT_EQ(none.ReadString(u"V", u"dflt"), CWideString(u"dflt"));
    EXPECT_EQ(none.ReadMultiString(u"V", u"dflt"), CWideString(u"dflt"));
    EXPECT_FALSE(none.WriteDWORD(u"V", 1) || none.WriteString(u"V", u"t") ||
                 none.WriteMultiString(u"V", u"t") || none.DeleteValue(u"V"));
    DWORD type = probe::kJunk;
    EXPECT_FALSE(none.QueryValueType(u"V", &type));
    EXPECT_EQ(type, probe::kJunk);
    CWideString text;
    EXPECT_FALSE(none.ReadExistingText(u"V", REG_SZ, &text));
    EXPECT_FALSE(probe::KeyExists(kRoot, u"Software\\Nowhere"));
}

TEST_F(RegistryTest, ReadDwordWritesBackItsDefaultUnlessSentinel) {
    // Stored before (nothing: missing), default, read, written (nothing: left as it was).
    const std::tuple<std::optional<probe::Value>, DWORD, DWORD, std::optional<probe::Value>>
        cases[] = {
            {{}, 0, 0, DwordValue(0)},
            {{}, kReadDefaultSentinel, kReadDefaultSentinel, {}},
            {DwordValue(7), 3, 7, {}},
            // Any type of at most 4 bytes reads as a number, padded with zeros.
            {SzValue(u"a"), 1, 0x61, {}},
            {probe::Value{REG_BINARY, {0x34, 0x12}}, 1, 0x1234, {}},
            // Longer data is left alone with the sentinel, replaced by any other default.
            {SzValue(u"abcdef"), kReadDefaultSentinel, kReadDefaultSentinel, {}},
            {SzValue(u"abcdef"), 1, 1, DwordValue(1)},
        };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [before, defaultValue, read, written] = cases[i];
        Put(before);
        EXPECT_EQ(key_.ReadDWORD(u"V", defaultValue), read) << i;
        EXPECT_EQ(Stored(u"V"), written ? written : before) << i;
    }
    EXPECT_EQ(key_.ReadDWORD(CWideString(u"Named"), 12), 12u);
    EXPECT_EQ(Stored(u"Named"), DwordValue(12));
}

TEST_F(RegistryTest, WritesStoreTypeAndExactSizeAndDeletionsAndTypeQueriesFollow) {
    EXPECT_TRUE(key_.WriteDWORD(u"Number", 0xDEADBEEF));
    EXPECT_EQ(Stored(u"Number"), DwordValue(0xDEADBEEF));
    EXPECT_TRUE(key_.WriteString(u"", u"default value"));
    EXPECT_EQ(Stored(u""), SzValue(u"default value"));
    // A list of this one text: a single terminating zero, not the double zero of a list.
    EXPECT_TRUE(key_.WriteMultiString(u"List", u"abc"));
    EXPECT_EQ(Stored(u"List"), SzValue(u"abc", REG_MULTI_SZ));
    // An empty string object passes the empty text, which is written; a null text is not.
    EXPECT_TRUE(key_.WriteString(CWideString(u"Empty"), CWideString()));
    EXPECT_EQ(Stored(u"Empty"), SzValue(u""));
    Store(u"Kept", SzValue(u"old"));
    EXPECT_FALSE(key_.WriteString(u"Kept", nullptr));
    EXPECT_EQ(Stored(u"Kept"), SzValue(u"old"));
    EXPECT_FALSE(key_.WriteString(u"New", nullptr));
    EXPECT_FALSE(Stored(u"New"));

    DWORD type = probe::kJunk;
    EXPECT_TRUE(key_.QueryValueType(u"List", &type) && key_.QueryValueType(u"List", nullptr));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_TRUE(key_.DeleteValue(u"List"));
    EXPECT_FALSE(key_.DeleteValue(u"List"));
    type = probe::kJunk;
    EXPECT_FALSE(key_.QueryValueType(u"List", &type));
    EXPECT_EQ(type, probe::kJunk);
    EXPECT_FALSE(Stored(u"List")) << "asking for the type must not create the value";
}

// ReadExistingText reads what ReadString or ReadMultiString would, when it is there as a text of
// the type asked for; else it fails, leaving its out-parameter alone. It never writes.
TEST_F(RegistryTest, TextReadsWriteOnlyIntoAMissingValueAndStayWithinTheStoredBytes) {
    const probe::Value list{REG_MULTI_SZ, probe::Bytes(std::u16string_view(u"one\0two\0", 9))};
    const std::u16string big(size_t{512} * 1024, u'x');  // 1 MB of text
    const struct {
        bool multi;  // ReadMultiString, else ReadString
        std::optional<probe::Value> before;
        LPCWSTR defaultText;
        std::u16string read;
        std::optional<probe::Value> written;
    } cases[] = {
        {false, SzValue(u"hello"), u"dflt", u"hello", {}},
        {true, list, u"x", u"one", {}},
        // Another type gives the default and is left as it is.
        {false, DwordValue(5), u"dflt", u"dflt", {}},
        {false, SzValue(u"%x%", REG_EXPAND_SZ), u"dflt", u"dflt", {}},
        {false, list, u"dflt", u"dflt", {}},
        {true, SzValue(u"hello"), u"x", u"x", {}},
        // A missing value gets a given default, as REG_SZ; a null default writes nothing.
        {false, {}, u"dflt", u"dflt", SzValue(u"dflt")},
        {true, {}, u"dflt", u"dflt", SzValue(u"dflt")},
        {false, {}, nullptr, u"", {}},
        {true, {}, nullptr, u"", {}},
        // The text ends at its first zero and never goes past the stored bytes.
        {false, SzValue(std::u16string_view(u"ab\0cd", 5)), u"x", u"ab", {}},
        {false, probe::Value{REG_SZ, probe::Bytes(u"abc")}, u"x", u"abc", {}},  // no terminator
        {false, probe::Value{REG_SZ, {'a', 0, 'b', 0, 'c'}}, u"x", u"ab", {}},  // odd size
        {false, probe::Value{REG_SZ, {}}, u"x", u"", {}},
        {false, probe::Value{REG_SZ, probe::Bytes(big)}, u"x", big, {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [multi, before, defaultText, read, written] = cases[i];
        Put(before);
        const DWORD type = multi ? REG_MULTI_SZ : REG_SZ;
        const bool there = before && before->type == type;
        CWideString text(u"untouched");
        EXPECT_EQ(key_.ReadExistingText(u"V", type, &text), there ? TRUE : FALSE) << i;
        EXPECT_TRUE(text.View() == (there ? read : u"untouched")) << i;
        EXPECT_EQ(Stored(u"V"), before) << i;
        text = multi ? key_.ReadMultiString(u"V", defaultText) : key_.ReadString(u"V", defaultText);
        EXPECT_TRUE(text.View() == read) << i;
        EXPECT_EQ(Stored(u"V"), written ? written : before) << i;
    }
    // Through the string class the default is never null, even when empty.
    EXPECT_EQ(key_.ReadString(CWideString(u"Created"), CWideString()), CWideString());
    EXPECT_EQ(Stored(u"Created"), SzValue(u""));
}

// Another process changes "Text" between CRegistry's size query and its data query. Grown once,
// its size is asked again and the whole text read; growing at every attempt, retyped or deleted,
// ReadString gives the default and ReadExistingText fails, leaving its out-parameter alone. The
// value stays as changed, but ReadString writes its default into a deleted one.
TEST_F(RegistryTest, TextChangedBetweenTheSizeAndTheDataQuery) {
    const std::u16string longer(u"a much longer text");
    bool grown = false;
    std::u16string growing(u"short");
    const std::pair<std::function<void()>, std::optional<std::u16string>> cases[] = {
        {[&] {
             if (!std::exchange(grown, true)) Store(u"Text", SzValue(longer));
         },
         longer},
        {[&] { Store(u"Text", SzValue(growing += u" and more")); }, {}},
        {[&] { Store(u"Text", DwordValue(9)); }, {}},
        {[] { probe::Apply(ce::RegFileOp::kDeleteValue, kRoot, kPath, u"Text"); }, {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [change, read] = cases[i];
        for (bool existing : {false, true}) {
            SCOPED_TRACE(testing::Message() << i << (existing ? " ReadExistingText" : ""));
            Store(u"Text", SzValue(u"short"));
            grown = false;
            std::optional<probe::Value> left;  // as the change leaves it (read outside the hook)
            bool inHook = false;
            hooks::beforeDataQuery = [&] {
                if (std::exchange(inHook, true)) return;
                change();
                left = Stored(u"Text");
                inHook = false;
            };
            CWideString text(u"untouched");
            if (existing) {
                EXPECT_EQ(key_.ReadExistingText(u"Text", REG_SZ, &text), read ? TRUE : FALSE);
            } else {
                text = key_.ReadString(u"Text", u"dflt");
            }
            hooks::beforeDataQuery = nullptr;
            EXPECT_EQ(std::u16string(text.View()),
                      read.value_or(existing ? u"untouched" : u"dflt"));
            EXPECT_EQ(Stored(u"Text"), left || existing ? left : SzValue(u"dflt"));
        }
    }
}

}  // namespace
