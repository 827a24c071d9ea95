// CRegistry's text reads, checked against the registry itself; its other rules are met through
// the tweaks that rely on them.
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

    std::optional<probe::Value> Stored() { return probe::Query(kRoot, kPath, u"V"); }
    void Store(const probe::Value& value) { probe::Set(kRoot, kPath, u"V", value); }

    test::TempDevice dev_;
    CRegistry key_{kRoot, kPath, TRUE};
};

// ReadExistingText reads a text of the type asked for, up to its first zero and never past the
// stored bytes; else it fails, leaving its out-parameter alone. It never writes.
TEST_F(RegistryTest, TextReadsStayWithinTheStoredBytes) {
    const probe::Value list{REG_MULTI_SZ, probe::Bytes(std::u16string_view(u"one\0two\0", 9))};
    const std::u16string big(size_t{512} * 1024, u'x');  // 1 MB of text
    const std::tuple<DWORD, probe::Value, std::optional<std::u16string>> cases[] = {
        {REG_SZ, SzValue(u"hello"), u"hello"},
        {REG_MULTI_SZ, list, u"one"},
        {REG_SZ, list, {}},
        {REG_SZ, SzValue(std::u16string_view(u"ab\0cd", 5)), u"ab"},
        {REG_SZ, probe::Value{REG_SZ, probe::Bytes(u"abc")}, u"abc"},  // no terminator
        {REG_SZ, probe::Value{REG_SZ, {'a', 0, 'b', 0, 'c'}}, u"ab"},  // odd size
        {REG_SZ, probe::Value{REG_SZ, {}}, u""},
        {REG_SZ, probe::Value{REG_SZ, probe::Bytes(big)}, big}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [type, before, read] = cases[i];
        Store(before);
        CWideString text(u"untouched");
        EXPECT_EQ(key_.ReadExistingText(u"V", type, &text), read ? TRUE : FALSE) << i;
        EXPECT_TRUE(text.View() == read.value_or(u"untouched")) << i;
        EXPECT_EQ(Stored(), before) << i;
    }
}

// Another process changes the text between CRegistry's size query and its data query. Grown once,
// its size is asked again and the whole text read; growing at every attempt, retyped or deleted,
// the read fails, leaving its out-parameter alone and the value as changed.
TEST_F(RegistryTest, TextChangedBetweenTheSizeAndTheDataQuery) {
    const std::u16string longer(u"a much longer text");
    bool grown = false;
    std::u16string growing(u"short");
    const std::pair<std::function<void()>, std::optional<std::u16string>> cases[] = {
        {[&] {
             if (!std::exchange(grown, true)) Store(SzValue(longer));
         },
         longer},
        {[&] { Store(SzValue(growing += u" and more")); }, {}},
        {[&] { Store(DwordValue(9)); }, {}},
        {[] { probe::Apply(ce::RegFileOp::kDeleteValue, kRoot, kPath, u"V"); }, {}}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [change, read] = cases[i];
        SCOPED_TRACE(i);
        Store(SzValue(u"short"));
        grown = false;
        std::optional<probe::Value> left;  // as the change leaves it (read outside the hook)
        bool inHook = false;
        hooks::beforeDataQuery = [&] {
            if (std::exchange(inHook, true)) return;
            change();
            left = Stored();
            inHook = false;
        };
        CWideString text(u"untouched");
        EXPECT_EQ(key_.ReadExistingText(u"V", REG_SZ, &text), read ? TRUE : FALSE);
        hooks::beforeDataQuery = nullptr;
        EXPECT_EQ(std::u16string(text.View()), read.value_or(u"untouched"));
        EXPECT_EQ(Stored(), left);
    }
}

}  // namespace
