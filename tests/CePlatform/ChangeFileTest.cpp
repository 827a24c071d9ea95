// Change files: the net change since an entry of the change log and its undo, the round trip of
// both through random writes, and the provisioning-XML form of a change.
#include <CePlatform/ChangeFile.h>
#include <CePlatform/Device.h>
#include <CePlatform/RegFile.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "RegFileText.h"
#include "support/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

using namespace std::string_view_literals;
using namespace testing;
using test::Bytes;
using test::Utf16;
const auto CR = ce::RootKey::ClassesRoot;
const auto CU = ce::RootKey::CurrentUser;
const auto LM = ce::RootKey::LocalMachine;

ce::RegValue Sz(std::u16string name, std::u16string_view text) {
    return {name, REG_SZ, Utf16(text)};
}
ce::RegValue Dword(std::u16string name, uint32_t n) {
    return {name, REG_DWORD, {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)}};
}

std::string RegText(const std::vector<ce::RegFileOp>& ops) { return ce::FormatRegFileOps(ops); }

// Each value operation goes under the line of its key, written again after another key or after
// a deletion (under which no value can stand); a key that a file cannot carry takes its values
// along.
TEST(ChangeFileFormat, ValuesStandUnderTheLineOfTheirKeyInBothForms) {
    using Op = ce::RegFileOp;
    const std::vector<Op> ops = {
        {Op::kDeleteKey, 0, CU, u"K", {}},
        {Op::kSetValue, 0, CU, u"K", Dword(u"v", 1)},
        {Op::kDeleteValue, 0, CU, u"K", {u"", 0, {}}},
        {Op::kSetValue, 0, LM, u"L", Dword(u"w", 2)},
        {Op::kCreateKey, 0, LM, u"Bad\x01Key\nBreak", {}},
        {Op::kSetValue, 0, LM, u"Bad\x01Key\nBreak", Dword(u"x", 3)},
    };
    std::vector<std::string> leftOut;
    EXPECT_EQ(
        ce::FormatRegFileOps(ops, &leftOut),
        "REGEDIT4\n\n[-HKEY_CURRENT_USER\\K]\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n"
        "@=-\n\n[HKEY_LOCAL_MACHINE\\L]\n\"w\"=dword:00000002\n\n");
    EXPECT_THAT(leftOut, ElementsAre("key HKEY_LOCAL_MACHINE\\Bad\x01Key\\nBreak"));
    leftOut.clear();
    EXPECT_EQ(ce::FormatProvXml(ops, &leftOut),
              "<wap-provisioningdoc>\n  <characteristic type=\"Registry\">\n"
              "    <nocharacteristic type=\"HKCU\\K\"/>\n"
              "    <characteristic type=\"HKCU\\K\">\n"
              "      <parm name=\"v\" value=\"1\" datatype=\"integer\"/>\n"
              "      <noparm name=\"\"/>\n"
              "    </characteristic>\n"
              "    <characteristic type=\"HKLM\\L\">\n"
              "      <parm name=\"w\" value=\"2\" datatype=\"integer\"/>\n"
              "    </characteristic>\n"
              "  </characteristic>\n</wap-provisioningdoc>\n");
    EXPECT_THAT(leftOut, ElementsAre("key HKEY_LOCAL_MACHINE\\Bad\\x01Key\\nBreak (XML cannot "
                                     "carry a character of its name)"));
}

// The device's change log, from the test's own writes.
class ChangeSince : public ::testing::Test {
protected:
    static void Set(HKEY root, LPCWSTR path, const ce::RegValue& value) {
        probe::Set(root, path, value.name, {value.type, value.data});
    }
    static void Delete(HKEY root, LPCWSTR path, LPCWSTR name) {
        probe::Apply(ce::RegFileOp::kDeleteValue, root, path, name);
    }
    std::string Since(int64_t seq, ce::ChangeDirection direction) const {
        return RegText(ce::RegistryChangeSince(device_.Device(), seq, direction));
    }

    test::TempDevice device_{ce::Profile{}, /*seed=*/false};
};

TEST_F(ChangeSince, TheNetChangeSinceAnEntryLeavesOutWhatChangedBackAndUndoesExactly) {
    Set(HKEY_CURRENT_USER, u"Phone", Dword(u"Max", 100));
    Set(HKEY_CURRENT_USER, u"Phone", Dword(u"Kind", 1));
    Set(HKEY_CURRENT_USER, u"Phone", Sz(u"Ring", u"a"));
    Set(HKEY_CURRENT_USER, u"Phone\\Sub", Dword(u"s", 1));
    Set(HKEY_LOCAL_MACHINE, u"Tweak", Dword(u"t", 0));
    const int64_t seq = probe::LastChangeSeq();

    Set(HKEY_CURRENT_USER, u"phone", Dword(u"MAX", 200));  // names in another case: the same
    Set(HKEY_CURRENT_USER, u"Phone", Dword(u"Max", 300));
    Set(HKEY_CURRENT_USER, u"Phone", Sz(u"Ring", u"b"));
    Set(HKEY_CURRENT_USER, u"Phone", Sz(u"Ring", u"a"));                    // changed back
    Set(HKEY_CURRENT_USER, u"Phone", {u"Kind", REG_BINARY, {1, 0, 0, 0}});  // its type alone
    Delete(HKEY_LOCAL_MACHINE, u"Tweak", u"t");
    Set(HKEY_LOCAL_MACHINE, u"Tweak", Dword(u"t", 0));  // deleted and written back
    Set(HKEY_LOCAL_MACHINE, u"Temp\\Deep", Dword(u"gone", 1));
    probe::Apply(ce::RegFileOp::kDeleteKey, HKEY_LOCAL_MACHINE, u"Temp");  // created and deleted
    probe::Apply(ce::RegFileOp::kDeleteKey, HKEY_CURRENT_USER, u"PHONE\\SUB");
    Set(HKEY_LOCAL_MACHINE, u"New", Sz(u"n", u"x"));

    const std::string forward =
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\Phone]\n\"Kind\"=hex:01,00,00,00\n\"Max\"=dword:0000012c\n\n"
        "[-HKEY_CURRENT_USER\\Phone\\Sub]\n\n"
        "[HKEY_LOCAL_MACHINE\\New]\n\"n\"=\"x\"\n\n";
    const std::string undo =
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\Phone]\n\"Kind\"=dword:00000001\n\"Max\"=dword:00000064\n\n"
        "[HKEY_CURRENT_USER\\Phone\\Sub]\n\"s\"=dword:00000001\n\n"
        "[-HKEY_LOCAL_MACHINE\\New]\n\n";
    EXPECT_EQ(Since(seq, ce::ChangeDirection::kForward), forward);
    EXPECT_EQ(Since(seq, ce::ChangeDirection::kUndo), undo);

    const int64_t end = probe::LastChangeSeq();
    EXPECT_EQ(Since(end, ce::ChangeDirection::kForward), "REGEDIT4\n\n");
    EXPECT_EQ(Since(end, ce::ChangeDirection::kUndo), "REGEDIT4\n\n");
    // Since the log's start: what the test wrote and kept; Phone\Sub was created and deleted.
    EXPECT_EQ(Since(0, ce::ChangeDirection::kForward),
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\Phone]\n\"Kind\"=hex:01,00,00,00\n\"Max\"=dword:0000012c\n"
              "\"Ring\"=\"a\"\n\n"
              "[HKEY_LOCAL_MACHINE\\New]\n\"n\"=\"x\"\n\n"
              "[HKEY_LOCAL_MACHINE\\Tweak]\n\"t\"=dword:00000000\n\n");
}

// A restore keeps the snapshot's log and puts the registry back to the state after its last
// entry, so a change file can be written across it; the changes that it undid (numbered between
// that entry and the restore's) name no state of the log any more and are refused. An entry of
// another kind hides the registry before it.
TEST_F(ChangeSince, ARestoreIsCrossedButWhatItUndidIsNoStartingPoint) {
    Set(HKEY_CURRENT_USER, u"K", Dword(u"v", 1));
    const int64_t saved = probe::LastChangeSeq();
    device_.Device().SaveSnapshot("one");
    Set(HKEY_CURRENT_USER, u"K", Dword(u"v", 2));
    const int64_t undone = probe::LastChangeSeq();
    const int64_t restore = device_.Device().RestoreSnapshot("one");
    Set(HKEY_CURRENT_USER, u"K", Dword(u"v", 3));

    EXPECT_EQ(Since(saved, ce::ChangeDirection::kForward),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000003\n\n");
    EXPECT_EQ(Since(restore, ce::ChangeDirection::kUndo),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n\n");
    const std::string said = "since change " + std::to_string(saved) + " or earlier, or " +
                             std::to_string(restore) + " or later";
    EXPECT_THAT([&] { Since(undone, ce::ChangeDirection::kForward); },
                Throws<ce::DeviceError>(Property(
                    &ce::DeviceError::what,
                    AllOf(HasSubstr("change " + std::to_string(undone) + " was undone by change " +
                                    std::to_string(restore) + ", the restore of snapshot one"),
                          HasSubstr(said)))));

    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((device_.Folder() / "device.db").c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                      "INSERT INTO changes(time, pid, kind, key) "
                                      "VALUES('2026-12-07T00:00:00.000Z', 1, 'unknown', '')",
                                      nullptr, nullptr, nullptr));
    sqlite3_close(db);
    const std::string entry = std::to_string(probe::LastChangeSeq());
    EXPECT_THAT([&] { Since(restore, ce::ChangeDirection::kForward); },
                Throws<ce::DeviceError>(
                    Property(&ce::DeviceError::what,
                             AllOf(HasSubstr("change " + entry + " (unknown) is no registry write"),
                                   HasSubstr("since change " + entry + " or later")))));
}

const std::u16string kLongKey(255, u'k'), kLongName(16383, u'v');

// Random writes through the registry functions: values of every type under keys a few levels
// deep, names that differ only in case, of the greatest length, that look like a file's syntax
// or hold a line break (which a REGEDIT4 file leaves out), the same names written again and
// again, keys created and deleted.
class RandomWrites {
public:
    explicit RandomWrites(uint32_t seed) : random_(seed) {}

    void Run(int count) {
        for (int i = 0; i < count; ++i) Step();
    }

private:
    // An item of the pool but its last `leaveOut`.
    template <typename T>
    const T& Pick(const std::vector<T>& pool, size_t leaveOut = 0) {
        return pool[random_() % (pool.size() - leaveOut)];
    }

    // A key a few levels deep, or now and then the root itself.
    std::u16string Path() {
        static const std::vector<std::u16string> names = {
            u"Soft",  u"SOFT", u"soft",  u"\u00c9mile", u"\u00e9MILE", u"line\nbreak",
            u"a]b",   u"[x",   u" lead", u"trail ",     u"tab\tin",    u";semi",
            u"-dash", u"@",    u"=eq",   u"\xD800lone", kLongKey};
        if (random_() % 8 == 0) return u"";
        std::u16string path = Pick(names);
        for (unsigned depth = random_() % 3; depth > 0; --depth) path += u"\\" + Pick(names);
        return path;
    }

    // Names with line breaks never on a root: an export lists a root for values of its own, and
    // still does when all of them are left out.
    std::u16string Name(bool onRoot) {
        static const std::vector<std::u16string> names = {
            u"",       u"v",        u"V",           u"Name", u"nAME",       u"\u00e9",
            u"\u00c9", u"q\"uote",  u"back\\slash", u"@",    u"=",          u" ",
            u"\t",     u";",        u"[k]",         u"x=y",  u"\U0001F600", u"\xDC00",
            kLongName, u"cr\rname", u"lf\nname"};
        return Pick(names, onRoot ? 2 : 0);
    }

    Bytes Words() {
        static const std::vector<std::u16string> texts = {
            u"",          u"hello",      u"a\"b\\c",   u"\u00e9\u20ac\U0001F600",
            u"tab\there", u"two\nlines", u"lone\xD800"};
        return Utf16(Pick(texts));
    }

    Bytes RandomBytes(size_t count) {
        Bytes bytes(count);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random_());
        return bytes;
    }

    ce::RegValue Value(bool onRoot) {
        const std::u16string name = Name(onRoot);
        Bytes texts;
        for (unsigned n = 1 + random_() % 3; n > 0; --n) {
            const Bytes text = Words();
            texts.insert(texts.end(), text.begin(), text.end());
        }
        texts.insert(texts.end(), {0, 0});
        const ce::RegValue values[] = {
            {name, REG_SZ, Words()},
            {name, REG_DWORD, RandomBytes(4)},
            {name, REG_BINARY, RandomBytes(random_() % 40)},
            {name, REG_MULTI_SZ, texts},
            {name, REG_EXPAND_SZ, Utf16(u"%windir%")},
            {name, REG_QWORD, RandomBytes(8)},
            {name, random_() % 2 ? REG_NONE : 0x1234u, RandomBytes(random_() % 3)},
            {name, REG_SZ, random_() % 2 ? RandomBytes(random_() % 5) : Utf16(u"ctl\x01")},
            {name, REG_DWORD, RandomBytes(3)}};
        return values[random_() % 9];
    }

    void Step() {
        static const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT};
        const HKEY root = roots[random_() % 3];
        const std::u16string path = Path();
        const unsigned what = random_() % 100;
        if (what >= 85) {
            if (!path.empty()) probe::Apply(ce::RegFileOp::kDeleteKey, root, path);
            return;
        }
        HKEY key = nullptr;
        const LONG opened = what < 70 ? RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, 0,
                                                        nullptr, &key, nullptr)
                                      : RegOpenKeyExW(root, path.c_str(), 0, 0, &key);
        if (opened != ERROR_SUCCESS) return;
        if (what < 55) {
            const ce::RegValue value = Value(path.empty());
            EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, value.name.c_str(), 0, value.type,
                                                    value.data.data(), DWORD(value.data.size())));
        } else if (what >= 70) {
            RegDeleteValueW(key, Name(path.empty()).c_str());
        }
        RegCloseKey(key);
    }

    std::mt19937 random_;
};

int Rounds() {
    const char* rounds = std::getenv("QUENVALE_LONG_ROUNDS");
    return rounds && std::atoi(rounds) > 0 ? std::atoi(rounds) : 25;
}

// For random writes: the state at a sequence number plus the change file since then exports byte
// for byte as the state at the end, and the end plus the undo file as the state back then. Each
// state is applied to a device of its own, which holds nothing else.
class ChangeFileRoundTrip : public ::testing::Test {
protected:
    void RoundTrip(uint32_t seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Empty(source_.Device());
        RandomWrites writes(seed);
        writes.Run(40);
        const int64_t seq = LastSeq();
        const std::string earlier = ce::FormatRegFile(source_.Device().ExportKeys());
        writes.Run(60);
        const std::string later = ce::FormatRegFile(source_.Device().ExportKeys());

        for (const auto direction : {ce::ChangeDirection::kForward, ce::ChangeDirection::kUndo}) {
            const bool forward = direction == ce::ChangeDirection::kForward;
            const auto ops = ce::RegistryChangeSince(source_.Device(), seq, direction);
            const std::string file = ce::FormatRegFileOps(ops);
            EXPECT_EQ(Applied(forward ? earlier : later, ce::ParseRegFile(file)),
                      forward ? later : earlier)
                << (forward ? "forward" : "undo") << ":\n"
                << file;
        }
    }

private:
    // The number of the change log's last entry, read from the last one known on: the log of the
    // source device grows round by round.
    int64_t LastSeq() {
        const std::vector<ce::Change> changes = source_.Device().Changes(lastSeq_);
        if (!changes.empty()) lastSeq_ = changes.back().seq;
        return lastSeq_;
    }

    // Takes every key and every value of the roots away.
    static void Empty(ce::Device& device) {
        std::vector<ce::RegFileOp> ops;
        for (const ce::RegKey& key : device.ExportKeys()) {
            if (!key.path.empty() && key.path.find(u'\\') == std::u16string::npos) {
                ops.push_back({ce::RegFileOp::kDeleteKey, 0, key.root, key.path, {}});
            }
            for (const ce::RegValue& value :
                 key.path.empty() ? key.values : std::vector<ce::RegValue>{}) {
                ops.push_back({ce::RegFileOp::kDeleteValue, 0, key.root, key.path, value});
            }
        }
        device.Import(ops);
    }

    // The registry of the target after importing `start` and then `ops` into it, exported.
    std::string Applied(const std::string& start, const std::vector<ce::RegFileOp>& ops) {
        Empty(*target_);
        target_->Import(ce::ParseRegFile(start), false);
        target_->Import(ops, false);
        return ce::FormatRegFile(target_->ExportKeys());
    }

    static std::unique_ptr<ce::Device> NewDevice() {
        const std::filesystem::path folder = test::MakeTempFolder("target") / "device";
        ce::CreateDevice(folder, ce::Profile{}, false);
        return ce::Device::Open(folder);
    }

    test::TempDevice source_{ce::Profile{}, /*seed=*/false};  // current: the writes go there
    int64_t lastSeq_ = 0;
    std::unique_ptr<ce::Device> target_ = NewDevice();
};

TEST_F(ChangeFileRoundTrip, RandomWritesApplyAndUndoExactlyAsRegistryFiles) {
    for (int round = 0; round < Rounds() && !HasFailure(); ++round) RoundTrip(1000 + round);
}

// Every datatype, escaped as XML requires, and what XML cannot say left out with the reason.
TEST(ProvXml, EachDatatypeItsEscapesAndWhatCannotBeSaid) {
    const std::u16string odd = u"Soft & \"Co\" <x>";
    const auto multi = [](std::u16string_view texts) {  // texts separated by '|'
        Bytes data;
        for (char16_t c : texts) {
            const char16_t unit = c == u'|' ? 0 : c;
            data.insert(data.end(), {uint8_t(unit & 0xFF), uint8_t(unit >> 8)});
        }
        data.insert(data.end(), {0, 0, 0, 0});
        return data;
    };
    using Op = ce::RegFileOp;
    const std::vector<Op> said = {
        {Op::kCreateKey, 0, LM, odd, {}},
        {Op::kSetValue, 0, LM, odd,
         Sz(u"", u"tab\tline\nreturn\r & <b> \"q\" 'a' \u00e9\U0001F600")},
        {Op::kSetValue, 0, LM, odd, Dword(u"Count", 0xFFFFFFFF)},
        {Op::kSetValue, 0, LM, odd, {u"List", REG_MULTI_SZ, multi(u"one||thr&e")}},
        {Op::kSetValue, 0, LM, odd, {u"One", REG_MULTI_SZ, multi(u"")}},
        {Op::kSetValue, 0, LM, odd, {u"Blob", REG_BINARY, {0x00, 0xFF, 0x10, 0x20, 0x30}}},
        {Op::kSetValue, 0, LM, odd, {u"Empty", REG_BINARY, {}}},
        {Op::kSetValue, 0, LM, odd, {u"B1", REG_BINARY, {0xFB}}},
        {Op::kSetValue, 0, LM, odd, {u"B3", REG_BINARY, {0xFB, 0xEF, 0xBE}}},
        {Op::kDeleteValue, 0, LM, odd, {u"Gone", 0, {}}},
        {Op::kDeleteKey, 0, CU, u"Obsolete", {}},
        {Op::kCreateKey, 0, CR, u".new", {}},
        {Op::kSetValue, 0, CU, u"Later", Dword(u"", 7)},  // its key line is implied
    };
    std::vector<Op> ops = said;
    const std::vector<ce::RegValue> unsayable = {
        {u"Expand", REG_EXPAND_SZ, Utf16(u"%windir%")},
        {u"Q", REG_QWORD, Bytes(8, 1)},
        {u"None", REG_NONE, {}},
        {u"Short", REG_DWORD, {1, 2, 3}},
        Sz(u"Ctl", u"a\x01z"),
        Sz(u"Lone", u"\xD800"),
        Sz(u"NotChar", u"\xFFFF"),
        {u"NoEnd", REG_SZ, {'a', 0}},
        {u"Two", REG_SZ, Utf16(u"a\0b"sv)},
        Dword(u"bad\x02name", 1),
        {u"Sep", REG_MULTI_SZ, multi(u"a\xF000z")},
        {u"NotList", REG_MULTI_SZ, Utf16(u"a")},
    };
    for (const ce::RegValue& value : unsayable)
        ops.insert(ops.begin() + 2, {Op::kSetValue, 0, LM, odd, value});
    ops.push_back({Op::kCreateKey, 0, CU, u"Bad\x03Key", {}});
    ops.push_back({Op::kSetValue, 0, CU, u"Bad\x03Key", Dword(u"v", 1)});

    std::vector<std::string> leftOut;
    const std::string doc = ce::FormatProvXml(ops, &leftOut);
    EXPECT_EQ(doc, R"(<wap-provisioningdoc>
  <characteristic type="Registry">
    <characteristic type="HKLM\Soft &amp; &quot;Co&quot; &lt;x&gt;">
      <parm name="" value="tab&#9;line&#10;return&#13; &amp; &lt;b&gt; &quot;q&quot; 'a' é😀" datatype="string"/>
      <parm name="Count" value="4294967295" datatype="integer"/>
      <parm name="List" value="one&#xF000;&#xF000;thr&amp;e" datatype="multiplestring"/>
      <parm name="One" value="" datatype="multiplestring"/>
      <parm name="Blob" value="AP8QIDA=" datatype="binary"/>
      <parm name="Empty" value="" datatype="binary"/>
      <parm name="B1" value="+w==" datatype="binary"/>
      <parm name="B3" value="++++" datatype="binary"/>
      <noparm name="Gone"/>
    </characteristic>
    <nocharacteristic type="HKCU\Obsolete"/>
    <characteristic type="HKCR\.new"/>
    <characteristic type="HKCU\Later">
      <parm name="" value="7" datatype="integer"/>
    </characteristic>
  </characteristic>
</wap-provisioningdoc>
)");
    const std::string of = " of HKEY_LOCAL_MACHINE\\Soft & \"Co\" <x> (";
    EXPECT_THAT(
        leftOut,
        UnorderedElementsAre(
            "value \"Expand\"" + of + "REG_EXPAND_SZ has no datatype in provisioning XML)",
            "value \"Q\"" + of + "REG_QWORD has no datatype in provisioning XML)",
            "value \"None\"" + of + "REG_NONE has no datatype in provisioning XML)",
            "value \"Short\"" + of + "REG_DWORD data of 3 bytes)",
            "value \"Ctl\"" + of + "its text holds a character that XML cannot carry)",
            "value \"Lone\"" + of + "its text holds a character that XML cannot carry)",
            "value \"NotChar\"" + of + "its text holds a character that XML cannot carry)",
            "value \"NoEnd\"" + of + "REG_SZ data that is not one terminated text)",
            "value \"Two\"" + of + "REG_SZ data that is not one terminated text)",
            "value \"bad\\x02name\"" + of + "XML cannot carry a character of its name)",
            "value \"Sep\"" + of + "one of its texts holds U+F000, which separates them)",
            "value \"NotList\"" + of + "REG_MULTI_SZ data that is not a list of terminated texts)",
            "key HKEY_CURRENT_USER\\Bad\\x03Key (XML cannot carry a character of its "
            "name)"));
}

}  // namespace
