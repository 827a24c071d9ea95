// The tweaks that keep their state in a text value, the Start-menu order list, and the two DWORD
// tweaks that disable by writing a fixed number. Each is reached through the factory by its ID and
// checked against the registry through the Win32 functions, never through the tweak's helpers.
#include <CePlatform/Device.h>
#include <Lorrimek/TweakersFactory.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>

#include "support/RegistryHooks.h"
#include "support/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

using probe::DwordValue;
using probe::SzValue;

const HKEY LM = HKEY_LOCAL_MACHINE, CU = HKEY_CURRENT_USER, CR = HKEY_CLASSES_ROOT;
constexpr char16_t kMarker[] = u"\u967F";  // saved for a target value that did not exist
constexpr char16_t kSearch[] = u"http://www.google.com/m/search?";

struct Row {
    const char16_t* id;
    HKEY root;
    const char16_t* path;
    const char16_t* value;
    std::u16string enabled;
    bool create;  // the key is created when the catalogue is built
    const char16_t* name;
    const char16_t* disabled = nullptr;  // the text Disable writes instead of restoring
};

// In catalogue order.
const Row kRows[] = {
    {u"CGoogleMobileSearch_10E99D0-345D-4b80-A754-0C9D578F83D3}", CU,
     u"Software\\Microsoft\\Internet Explorer\\Main", u"SearchURL",
     kSearch + std::u16string(u"mrestrict=xhtml&site=search&q="), false,
     u"Google Mobile Search Box"},
    {u"CGoogleWelcomePage_34BC386B-FEDF-4246-B996-CE3BB01E5C41}", CU,
     u"Software\\Microsoft\\Internet Explorer\\Main", u"Search Page",
     kSearch + std::u16string(u"mrestrict=xhtml&q=%s&site=search"), false, u"Google Welcome Page"},
    {u"CPreventCABfileDeletation_FEB21E1E-1AE5-4163-9CCB-73FFBFD5ECD6}", CR,
     u"cabfile\\Shell\\open\\command", u"Default", u"wceload.exe \"%1\" /nodelete", false,
     u"Prevent CAB-File Deletion", u"wceload.exe \"%1\""},
    {u"CSilenceMenuSelectSound_04604395-4C07-4862-AC62-303E9852F39D}", CU,
     u"ControlPanel\\Sounds\\MenuPopup", u"Sound", u"*none*", false, u"Menu-Select Sound"},
    {u"CSilenceMenuCommandSound_83FF5D36-93B8-4807-946B-AA41700D63BF}", CU,
     u"ControlPanel\\Sounds\\MenuCommand", u"Sound", u"*none*", false, u"Pop-Up Menu Sound"},
    {u"CStoreRingtonesOnSD_61F24F9B-8E20-479b-BF7A-660C584FD6B6}", CU,
     u"ControlPanel\\SoundCategories\\Ring", u"Directory", u"\\Storage Card\\", false,
     u"Store Ringtones on SD"},
    {u"CBigSMSfonts_55A8809E-047C-46b1-91E9-E5C065CE898F}", LM, u"Software\\Microsoft\\Inbox",
     u"RichEditHostFontSize", u"14", false, u"BIG SMS - Email Fonts"},
    {u"CStoreIECasheToSD_638B6C14-EA92-4374-BE70-C424E066F96B}", CU,
     u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", u"Cache",
     u"\\Storage Card\\cacheie", false, u"Store IE Cache to SD"},
    {u"CLoopingAlarm_BC44F726-1560-4ef1-BFBA-E32FF425EFAA}", CU, u"ControlPanel\\Sounds\\Clock",
     u"Script", u"apr", true, u"Looping Alarm"},
    {u"CLoopingRingtone_C617E5C6-1F68-403f-99A8-56C11110727F}", CU,
     u"ControlPanel\\Sounds\\RingTone0", u"Script", u"apr", false, u"Looping Ringtone"},
    {u"CKillKeyPressSound_615E4C01-639D-4281-B93E-5F30E0E40EE7}", CU,
     u"ControlPanel\\Sounds\\Keypress", u"Script", u"", false, u"Kill Keypress Sound"},
};

void PrintTo(const Row& row, std::ostream* os) { *os << probe::ClassOf(row.id); }

// A text as REG_MULTI_SZ data: one entry per text, each with its zero, and no second zero.
probe::Value ListValue(std::u16string_view text) { return SzValue(text, REG_MULTI_SZ); }

class TextTweak : public testing::TestWithParam<Row> {
protected:
    void TearDown() override { hooks::Clear(); }

    std::optional<probe::Value> Stored() const { return probe::Query(r.root, r.path, r.value); }
    void Store(const probe::Value& value) const { probe::Set(r.root, r.path, r.value, value); }
    std::optional<probe::Value> Saved() const {
        return probe::Query(LM, probe::BackupPath(r.id).c_str(), r.value);
    }

    const Row& r = GetParam();
    test::TempDevice dev_;
};

// One life of each tweak: nothing saved yet, then a backup, enable, disable and restore from each
// kind of state the target can be in (another text, missing, of another type).
TEST_P(TextTweak, LifecycleFollowsTheTargetText) {
    probe::MakeMissing(r.root, r.path, r.value);
    CTweakersFactory factory;
    CTweakBase* tweak = factory.GetTweakByID(CWideString(r.id));
    ASSERT_NE(tweak, nullptr);
    EXPECT_TRUE(tweak->GetName() == CWideString(r.name));

    // With no saved text Restore leaves the target alone and writes nothing into the backup key;
    // reads never write, and a missing value is not enabled even for an empty enabled text.
    int64_t before = probe::LastChangeSeq();
    EXPECT_EQ(tweak->IsEnabled(), 0);
    EXPECT_EQ(tweak->Restore(), 0);
    if (!r.disabled) {
        EXPECT_EQ(tweak->Disable(), 0);
    }
    EXPECT_EQ(probe::LastChangeSeq(), before);
    EXPECT_FALSE(Stored());

    // Enabling writes the text and its zero as REG_SZ, nothing else.
    EXPECT_EQ(tweak->Enable(), 0);
    EXPECT_EQ(dev_.Device().Changes(before).size(), 1u);
    EXPECT_EQ(Stored(), SzValue(r.enabled));
    EXPECT_EQ(tweak->IsEnabled(), 1);

    // Enabled means exactly the text, up to the first zero; another case is another text.
    Store(SzValue(r.enabled + std::u16string(1, u'\0') + u"tail"));
    EXPECT_EQ(tweak->IsEnabled(), 1);
    Store(SzValue(r.enabled + u"x"));
    EXPECT_EQ(tweak->IsEnabled(), 0);
    Store(SzValue(r.enabled, REG_EXPAND_SZ));
    EXPECT_EQ(tweak->IsEnabled(), 0);

    const struct {
        std::optional<probe::Value> prior;
        std::u16string recorded;
    } priors[] = {
        {SzValue(u"Some Other Text"), u"Some Other Text"},
        {SzValue(u""), u""},
        {std::nullopt, kMarker},
        {DwordValue(1), kMarker},
        {SzValue(kMarker), kMarker},  // indistinguishable from a missing value
    };
    for (const auto& p : priors) {
        SCOPED_TRACE(ce::ToUtf8(p.recorded));
        p.prior ? Store(*p.prior) : probe::MakeMissing(r.root, r.path, r.value);
        EXPECT_EQ(tweak->IsEnabled(), r.enabled == u"" && p.recorded == u"" ? 1 : 0);
        EXPECT_EQ(tweak->Backup(), 0);
        EXPECT_EQ(Saved(), SzValue(p.recorded));
        EXPECT_EQ(Stored(), p.prior) << "Backup changes nothing on the device";
        ASSERT_EQ(tweak->Enable(), 0);

        // Disable returns to the recorded state (or writes its fixed text without consulting the
        // backup); Restore, also a second time, returns to the recorded state; the saved text
        // stays.
        const std::optional<probe::Value> recorded =
            p.recorded == kMarker ? std::nullopt : std::optional(SzValue(p.recorded));
        EXPECT_EQ(tweak->Disable(), 0);
        EXPECT_EQ(Stored(), r.disabled ? std::optional(SzValue(r.disabled)) : recorded);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(tweak->Restore(), 0);
            EXPECT_EQ(Stored(), recorded);
        }
        EXPECT_EQ(Saved(), SzValue(p.recorded));
    }
}

// Another process removes the value, or gives it another type, between the tweak's look at its
// type and its read of the text: the tweak takes it for a missing value, never for an empty text.
// So the backup saves the marker, a tweak whose enabled text is empty is not enabled, and a saved
// text that vanishes while Restore reads it writes nothing.
TEST_P(TextTweak, AValueThatVanishesWhileItIsReadIsMissing) {
    CTweakersFactory factory;
    CTweakBase* tweak = factory.GetTweakByID(CWideString(r.id));
    ASSERT_NE(tweak, nullptr);
    const std::function<void()> vanish[] = {
        [&] { probe::Apply(ce::RegFileOp::kDeleteValue, r.root, r.path, r.value); },
        [&] { Store(DwordValue(1)); },
    };
    for (const auto& change : vanish) {
        Store(SzValue(r.enabled));
        hooks::beforeDataQuery = change;
        EXPECT_EQ(tweak->IsEnabled(), 0);
        Store(SzValue(u"found"));
        hooks::beforeDataQuery = change;
        EXPECT_EQ(tweak->Backup(), 0);
        EXPECT_EQ(Saved(), SzValue(kMarker));
    }
    Store(SzValue(u"now"));
    probe::Set(LM, probe::BackupPath(r.id), r.value, SzValue(u"saved"));
    hooks::beforeDataQuery = [&] {
        probe::Apply(ce::RegFileOp::kDeleteValue, LM, probe::BackupPath(r.id), r.value);
    };
    EXPECT_EQ(tweak->Restore(), 0);
    hooks::Clear();
    EXPECT_EQ(Stored(), SzValue(u"now"));
}

INSTANTIATE_TEST_SUITE_P(All, TextTweak, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) {
                             return probe::ClassOf(info.param.id);
                         });

// Only the looping alarm creates its key when the catalogue is built. A tweak without its key
// reads nothing, backs up the marker, fails to enable with 2002, and a Restore that must write a
// saved text fails the same way, while one that must delete finds nothing to do.
TEST(TextTweaks, AKeyMissingAtConstructionStaysUnreachable) {
    test::TempDevice dev(ce::Profile{}, false);
    CTweakersFactory factory;
    for (const Row& r : kRows) {
        EXPECT_EQ(probe::KeyExists(r.root, r.path), r.create) << probe::ClassOf(r.id);
    }
    for (const Row& r : kRows) {
        SCOPED_TRACE(probe::ClassOf(r.id));
        if (r.create) continue;
        CTweakBase* tweak = factory.GetTweakByID(CWideString(r.id));
        probe::Set(r.root, r.path, r.value, SzValue(r.enabled));  // another program's key
        EXPECT_EQ(tweak->IsEnabled(), 0);
        EXPECT_EQ(tweak->Enable(), 2002);
        EXPECT_EQ(tweak->Backup(), 0);
        EXPECT_EQ(probe::Query(LM, probe::BackupPath(r.id).c_str(), r.value), SzValue(kMarker));
        EXPECT_EQ(tweak->Restore(), 0);
        probe::Set(LM, probe::BackupPath(r.id), r.value, SzValue(u"saved"));
        EXPECT_EQ(tweak->Restore(), 2002);
        EXPECT_EQ(tweak->Disable(), 2002);
        EXPECT_EQ(probe::Query(r.root, r.path, r.value), SzValue(r.enabled));
    }
}

// The Start-menu order list: enabled while its first entry is "ActiveSync.lnk"; the backup and a
// restore keep only the first entry of the list found before.
TEST(SortStartMenu, ReplacesTheOrderListAndRestoresItsFirstEntry) {
    test::TempDevice dev;
    const char16_t* id = u"CSortStartMenuAlphabeticalyTweak_07BD220D-EB65-443a-B28A-29FE2BC2159F";
    const char16_t* path = u"Software\\Microsoft\\Shell\\StartMenu";
    const auto order = [&] { return probe::Query(CU, path, u"Order"); };
    const auto saved = [&] { return probe::Query(LM, probe::BackupPath(id).c_str(), u"Order"); };
    const std::u16string three(u"Phone.lnk\0Calendar.lnk\0ActiveSync.lnk\0", 38);
    probe::Set(CU, path, u"Order", {REG_MULTI_SZ, probe::Bytes(three)});

    CTweakersFactory factory;
    CTweakBase* tweak = factory.GetTweakByID(CWideString(id));
    ASSERT_NE(tweak, nullptr);
    EXPECT_TRUE(tweak->GetName() == CWideString(u"Sort StartMenu Alphabetically"));
    EXPECT_EQ(tweak->IsEnabled(), 0);
    EXPECT_EQ(tweak->Restore(), 0);
    EXPECT_EQ(order(), probe::Value({REG_MULTI_SZ, probe::Bytes(three)})) << "nothing saved yet";
    EXPECT_FALSE(saved());

    EXPECT_EQ(tweak->Backup(), 0);
    EXPECT_EQ(saved(), ListValue(u"Phone.lnk"));
    EXPECT_EQ(tweak->Enable(), 0);
    ASSERT_EQ(order(), ListValue(u"ActiveSync.lnk"));
    EXPECT_EQ(tweak->IsEnabled(), 1);
    EXPECT_EQ(tweak->Disable(), 0);
    EXPECT_EQ(order(), ListValue(u"Phone.lnk"));

    // Further entries are not looked at; a REG_SZ "Order" is no list at all.
    const std::u16string first(u"ActiveSync.lnk\0Phone.lnk\0", 25);
    probe::Set(CU, path, u"Order", {REG_MULTI_SZ, probe::Bytes(first)});
    EXPECT_EQ(tweak->IsEnabled(), 1);
    probe::Set(CU, path, u"Order", SzValue(u"ActiveSync.lnk"));
    EXPECT_EQ(tweak->IsEnabled(), 0);
    EXPECT_EQ(tweak->Backup(), 0);
    EXPECT_EQ(saved(), ListValue(kMarker));
    EXPECT_EQ(tweak->Enable(), 0);
    EXPECT_EQ(tweak->Restore(), 0);
    EXPECT_FALSE(order());
}

// "AniType" and "RockerSupport": Enable writes the enabled number, Disable a fixed number whatever
// was there, Restore the number found before (or deletes the value). A failed write is 2002.
TEST(FixedDisableTweaks, DisableWritesItsNumberAndRestoreTheSavedOne) {
    // The tweak, its target value, the backup value's name, and the enabled and disabled numbers.
    const std::tuple<const char16_t*, HKEY, const char16_t*, const char16_t*, const char16_t*,
                     DWORD, DWORD>
        rows[] = {
            {u"CSpeedMenuOffTweak_B568E46D-0D7D-4986-930E-630253875D45", LM, u"SYSTEM\\GWE\\Menu",
             u"AniType", u"SpeedMenuBackup", 0, 2},
            {u"CStartMenuScrollBarSupport_EE8E23D0-9AC8-49e4-94B3-B502882B6FA5", CU,
             u"Software\\Microsoft\\Shell", u"RockerSupport", u"RockerSupport", 1, 0},
        };
    for (const auto& [id, root, path, value, saved, enabled, disabled] : rows) {
        SCOPED_TRACE(probe::ClassOf(id));
        test::TempDevice dev;
        probe::Apply(ce::RegFileOp::kDeleteValue, root, path, value);
        CTweakersFactory factory;
        CTweakBase* tweak = factory.GetTweakByID(CWideString(id));
        ASSERT_NE(tweak, nullptr);
        const auto stored = [&, root = root, path = path, value = value] {
            return probe::Query(root, path, value);
        };

        EXPECT_EQ(tweak->IsEnabled(), 0);
        EXPECT_EQ(tweak->Backup(), 0);
        EXPECT_EQ(probe::Query(LM, probe::BackupPath(id).c_str(), saved), DwordValue(9999999));
        EXPECT_EQ(tweak->Enable(), 0);
        EXPECT_EQ(stored(), DwordValue(enabled));
        EXPECT_EQ(tweak->IsEnabled(), 1);
        EXPECT_EQ(tweak->Disable(), 0);
        EXPECT_EQ(stored(), DwordValue(disabled)) << "written even where none was before";
        EXPECT_EQ(tweak->Restore(), 0);
        EXPECT_FALSE(stored());

        probe::Set(root, path, value, DwordValue(5));
        EXPECT_EQ(tweak->Backup(), 0);
        EXPECT_EQ(tweak->Enable(), 0);
        EXPECT_EQ(tweak->Disable(), 0);
        EXPECT_EQ(stored(), DwordValue(disabled));
        EXPECT_EQ(tweak->Restore(), 0);
        EXPECT_EQ(stored(), DwordValue(5));

        // Another program removes the key: a held key can no longer be written; a per-call key
        // is made again.
        probe::Apply(ce::RegFileOp::kDeleteKey, root, path);
        const bool perCall = root == LM;
        EXPECT_EQ(tweak->Disable(), perCall ? 0 : 2002);
        EXPECT_EQ(tweak->Enable(), perCall ? 0 : 2002);
    }
}

}  // namespace
