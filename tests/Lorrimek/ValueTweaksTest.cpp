// The tweaks that keep their state in one registry value: the 41 of a DWORD, those of a text, and
// the Start-menu order list. Each is reached through the factory by its class and checked
// against the registry through the Win32 functions and the device's own view (its export and
// change log), never through the tweak's helpers.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <Lorrimek/TweakersFactory.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>

#include "TweakByClass.h"
#include "support/PlatformHooks.h"
#include "support/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

using probe::DwordValue;
using probe::SzValue;

constexpr DWORD kSentinel = 57072;  // the read default that never writes
constexpr DWORD kAbsent = 9999999;  // saved for a target value that did not exist

// How the tweak reaches its key: held for its life (opened, or created at construction), opened
// per call (writes create), or created at construction for writes and opened per read.
enum Access { HeldOpen, HeldCreate, PerCall, Mixed };

const HKEY LM = HKEY_LOCAL_MACHINE, CU = HKEY_CURRENT_USER, CR = HKEY_CLASSES_ROOT;

struct Row {
    const char* cls;
    HKEY root;
    const char16_t* path;
    const char16_t* value;
    DWORD enabled;          // the data that Enable writes
    const char16_t* saved;  // the backup value's name; null: the target value's name
    Access access;
    const char16_t* name;
    std::optional<DWORD> disabled = std::nullopt;  // the number Disable writes instead of restoring
    LPCWSTR Saved() const { return saved ? saved : value; }
};

// In catalogue order.
const Row kRows[] = {
    {"CSpeedBoostTweak", LM, u"\\system\\gdi\\glyphcache", u"limit", 32768, u"SpeedBoostLimit",
     PerCall, u"Speed-Boost"},
    {"CCallHistoryMaxTweak", CU, u"\\ControlPanel\\Phone", u"CallHistoryMax", 500, 0, HeldCreate,
     u"Set CallHistory to MAX"},
    {"CSpeedMenuOffTweak", LM, u"\\SYSTEM\\GWE\\Menu", u"AniType", 0, u"SpeedMenuBackup", PerCall,
     u"Speed-Up Menus", 2},
    {"CEnableObexTweak", LM, u"\\SOFTWARE\\Microsoft\\Obex", u"IsEnabled", 1, u"ObexEnable",
     PerCall, u"Bluetooth OBEX File Transfer"},
    {"CTurnOffSMSSentTweak", LM, u"\\SOFTWARE\\Microsoft\\Inbox\\Settings", u"SMSNoSentMsg", 1,
     u"TurnOffSMSSent", PerCall, u"SMS-Sent Notification"},
    {"CCallInititateSound", CU, u"\\ControlPanel\\SoundCategories\\CallStart", u"InitVol", 0, 0,
     PerCall, u"Disable Call-Initiate Sound"},
    {"CTrueSMSDelete", CU, u"\\Software\\Microsoft\\Inbox\\SMSText", u"MaxDeletedMsgs", 0, 0, Mixed,
     u"True SMS Delete"},
    {"CHideLabels", CU, u"\\Software\\Microsoft\\Shell\\StartMenu", u"hide_labels", 1, 0,
     HeldCreate, u"Hide StartMenu labels"},
    {"CStartMenuScrollBarSupport", CU, u"\\Software\\Microsoft\\Shell", u"RockerSupport", 1, 0,
     HeldOpen, u"StartMenu Scrollbar", 0},
    {"CGridViewToggle", CU, u"\\Software\\Microsoft\\Shell\\StartMenu", u"GridView", 0, 0, HeldOpen,
     u"GridView Toggle"},
    {"CEnable320x240videoRec", LM, u"\\Software\\Microsoft\\Pictures\\Camera\\OEM\\VideoProfile",
     u"OptionNum", 3, 0, HeldOpen, u"Enable 320x240 video recording"},
    {"CSpeedUpSMSTyping", CU, u"\\ControlPanel\\Accessibility", u"CharTimeout", 650, 0, HeldOpen,
     u"Speed-Up Text/SMS Typing"},
    {"CEnable4WAYNavi", LM, u"\\Software\\Microsoft\\Internet Explorer\\Navigation", u"4-Way Nav",
     0, 0, HeldOpen, u"Enable 4-way navigation"},
    {"CDisableUSBcharging", LM, u"\\Drivers\\BuiltIn\\Usbfndrv", u"EnableUsbCharging", 0, 0,
     HeldOpen, u"Disable USB Charging"},
    {"CForcePassThrough", CU, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
     u"EnableAutoDetect", 1, 0, HeldOpen, u"Force Internet Pass through"},
    {"CAllowDownloadOfEXEFiles", CR, u"\\exefile", u"EditFlags", 65536, 0, HeldCreate,
     u"Allow Download of EXE Files"},
    {"CAllowDownloadOfZIPFiles", CR, u"\\zipfile", u"EditFlags", 65536, 0, HeldCreate,
     u"Allow Download of ZIP Files"},
    {"CGridViewToggleCingular", CU, u"\\Software\\Microsoft\\Shell\\Rai\\:MSStart", u"GridView", 0,
     0, HeldOpen, u"Gridview Toggle - Cingular"},
    {"CSetMMSSizeToMAX", LM, u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\UI\\SizeLimit",
     u"SendLimit3", 1024000, 0, HeldOpen, u"Set MMS-Size to MAX"},
    {"CEdgeIconFix", LM, u"\\Drivers\\BuiltIn\\RIL", u"EnableDifferGprsEdgeIcon", 1, 0, HeldCreate,
     u"EDGE Icon Fix"},
    {"CCameraDateFolderFix", LM, u"\\Software\\HTC\\Camera\\Captparam", u"EnableDateFolder", 1, 0,
     HeldOpen, u"Camera Date Folder Fix"},
    {"CHideSIMcontacts", CU, u"\\ControlPanel\\Phone", u"ShowSim", 0, 0, HeldOpen,
     u"Hide SIM contacts"},
    {"CShowRemindersOnceOnly", CU, u"\\ControlPanel\\Notifications\\Reminders\\AutoSnooze",
     u"AutoSnoozeMins", 0, 0, HeldOpen, u"Show Reminders Once Only"},
    {"CSMSDeliveryNotification", CU, u"\\Software\\Microsoft\\Inbox\\Settings",
     u"SMSDeliveryNotify", 1, 0, HeldCreate, u"SMS Delivery Notification"},
    {"CForceAskInstallLocation", LM, u"\\Software\\apps\\Microsoft Application Installer",
     u"fAskDest", 1, 0, HeldCreate, u"Force Ask Install Location"},
    {"CForceAskOverwrite", LM, u"\\Software\\apps\\Microsoft Application Installer", u"fAskOptions",
     1, 0, HeldCreate, u"Ask Before Over-Writing"},
    {"CRealtimeDefrag", CU, u"\\Software\\Microsoft\\Shell\\NeverDorkMemory", u"", 0, 0, HeldCreate,
     u"Realtime Memory De-Frag."},
    {"CMMSVideoIn176x144", LM, u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\Capture", u"VideoRes",
     1, 0, HeldOpen, u"MMS/Video in 176x144"},
    {"CMMSVideoIn176x144New", LM, u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\Capture",
     u"VideoMode", 1, 0, HeldOpen, u"MMS/Video in 176x144 New"},
    {"CUnlimitedMMSRecording", LM, u"\\SOFTWARE\\HTC\\Camera\\P3", u"EnableLimit", 0, 0, HeldOpen,
     u"Unlimited MMS Recording"},
    {"CDisableSecurityWarning", LM, u"\\Security\\Policies\\Policies", u"0000101a", 1, 0, HeldOpen,
     u"Security Warning OFF"},
    {"CSpeedUpWiFiSurfing", CU,
     u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
     u"MaxConnectionsPerServer", 16, 0, HeldOpen, u"Speed-Up WiFi Surfing"},
    {"CKillBootUpMelody", CU, u"\\ControlPanel\\PowerOnWave", u"on", 0, 0, HeldOpen,
     u"Kill Boot-Up Melody"},
    {"CSilenceCameraShutter", LM, u"\\Software\\ArcSoft\\Camera", u"Shutter sound", 0, 0, HeldOpen,
     u"Silence Camera Shutter old"},
    {"CImproveMemoryManagement", LM, u"\\Software\\Microsoft\\Shell\\LowMem", u"ProgramMem", 96, 0,
     HeldOpen, u"Improve Mem.Management"},
    {"CEnableRoamingIndicator", LM, u"\\Software\\Microsoft\\RIL", u"NoRoamInd", 0, 0, HeldOpen,
     u"Enable Roaming Indicator"},
    {"CTwinSIMswitch", LM, u"\\System\\State\\Phone", u"MultiLine Capabilities", 1, 0, HeldOpen,
     u"Enable Twin SIM Switch"},
    {"CDisable3GPlimitSmartphone", LM, u"\\Software\\HTC\\camera\\AppDefSettings\\P3",
     u"EnableLimit", 0, 0, HeldOpen, u"Disable 3gp size limit SMP"},
    {"CDisable3GPlimitPocketPC", LM, u"\\Software\\HTC\\camera\\AppDefSettings\\P3",
     u"EnableRecLimit", 0, 0, HeldOpen, u"Disable 3gp size limit PPC"},
    {"CDisableMenuAnimations", LM, u"\\SYSTEM\\GWE\\Menu", u"AniType", 0, 0, HeldOpen,
     u"Disable menu animations"},
    {"CWiFiAndPhoneOn", LM, u"\\SERVICES\\WirelessMGR", u"MutexFlag", 0, 0, HeldOpen,
     u"WiFi and Phone On"},
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.cls; }

// The target value of a tweak's row, as stored and to be stored.
template <typename R>
std::optional<probe::Value> Stored(const R& r) {
    return probe::Query(r.root, r.path, r.value);
}
template <typename R>
void Store(const R& r, const probe::Value& value) {
    probe::Set(r.root, r.path, r.value, value);
}
// A test's name: the class in its row's ID.
template <typename R>
std::string ClassName(const testing::TestParamInfo<R>& info) {
    return info.param.cls;
}
bool KeyExists(const Row& r) { return probe::KeyExists(r.root, r.path); }
std::u16string BackupOf(const CTweakBase& tweak) { return probe::BackupPath(tweak.GetID().View()); }
void SetSaved(const CTweakBase& tweak, const Row& r, DWORD number) {
    probe::Set(LM, BackupOf(tweak), r.Saved(), DwordValue(number));
}
// Fails unless the tweak's backup key holds exactly one value: `number` under its backup name.
void ExpectSaved(const CTweakBase& tweak, const Row& r, DWORD number) {
    const auto keys = ce::CurrentDevice().ExportKeys(ce::RootKey::LocalMachine, BackupOf(tweak));
    ASSERT_EQ(keys.front().values.size(), 1u);
    const ce::RegValue& saved = keys.front().values.front();
    EXPECT_EQ(saved.name, std::u16string(r.Saved()));
    EXPECT_EQ(probe::Value({saved.type, saved.data}), DwordValue(number));
}

// Two spellings of one key: equal but for case and leading backslashes.
bool SameKey(std::u16string_view a, std::u16string_view b) {
    const auto trim = [](std::u16string_view path) {
        return path.substr(std::min(path.find_first_not_of(u'\\'), path.size()));
    };
    return ce::FoldCase(trim(a)) == ce::FoldCase(trim(b));
}

class DwordTweak : public testing::TestWithParam<Row> {
protected:
    // Every spelling in which the test's target key is opened or created.
    void SetUp() override {
        hooks::beforeOpenKey = [this](HKEY root, LPCWSTR path, bool) {
            if (root == GetParam().root && path && SameKey(path, GetParam().path)) {
                spellings_.insert(path);
            }
            return LONG{ERROR_SUCCESS};
        };
    }
    void TearDown() override { hooks::Clear(); }

    std::set<std::u16string> spellings_;
    test::TempDevice dev_;
};

// One life of each tweak on a device of another platform (support never gates an operation):
// nothing saved yet, then backup, enable, disable and restore from each state of the target.
TEST_P(DwordTweak, LifecycleFollowsTheTargetValue) {
    const Row& r = GetParam();
    probe::MakeMissing(r.root, r.path, r.value);
    dev_.SetPlatform("Other");
    CTweakersFactory factory;
    CTweakBase* tweak = TweakByClass(factory, r.cls);
    ASSERT_NE(tweak, nullptr);
    EXPECT_TRUE(tweak->GetName() == CWideString(r.name));

    // Without a saved value Restore (and Disable, unless it writes a fixed number) leaves the
    // target alone; reads never write.
    int64_t before = probe::LastChangeSeq();
    EXPECT_EQ(tweak->IsEnabled(), 0);
    EXPECT_EQ(tweak->Restore(), 0);
    if (!r.disabled) {
        EXPECT_EQ(tweak->Disable(), 0);
    }
    EXPECT_FALSE(Stored(r));
    EXPECT_EQ(probe::LastChangeSeq(), before);
    EXPECT_EQ(tweak->Enable(), 0);
    const auto changes = dev_.Device().Changes(before);
    ASSERT_EQ(changes.size(), 1u) << "Enable writes the target value and nothing else";
    EXPECT_EQ(changes[0].kind, ce::Change::kSetValue);
    EXPECT_EQ(changes[0].valueName, r.value) << "the value's name, in its own case";
    EXPECT_EQ(Stored(r), DwordValue(r.enabled));
    EXPECT_EQ(tweak->IsEnabled(), 1);
    before = probe::LastChangeSeq();
    EXPECT_EQ(tweak->Restore(), 0);
    if (!r.disabled) {
        EXPECT_EQ(tweak->Disable(), 0);
    }
    EXPECT_EQ(probe::LastChangeSeq(), before);

    // Enabled means exactly the enabled data. Backup records the state found without changing
    // it; Disable (or it writes its fixed number, even where there was none), Restore and Restore
    // again (deleting a value that is already gone) each return to it.
    const std::pair<std::optional<probe::Value>, DWORD> priors[] = {
        {DwordValue(r.enabled + 7), r.enabled + 7},
        {std::nullopt, kAbsent},
        {DwordValue(kSentinel), kAbsent},
        {DwordValue(kAbsent), kAbsent},
        {probe::SzValue(u"not a number"), kAbsent},
        {probe::Value{REG_BINARY, {0x34, 0x12}}, 0x1234}};  // short data: padded with zeros
    for (const auto& [prior, recorded] : priors) {
        SCOPED_TRACE(testing::Message() << "prior state " << testing::PrintToString(prior));
        prior ? Store(r, *prior) : probe::MakeMissing(r.root, r.path, r.value);
        EXPECT_EQ(tweak->IsEnabled(), 0);
        EXPECT_EQ(tweak->Backup(), 0);
        ExpectSaved(*tweak, r, recorded);
        EXPECT_EQ(Stored(r), prior);
        ASSERT_EQ(tweak->Enable(), 0);
        const std::optional<probe::Value> back =
            recorded == kAbsent ? std::nullopt : std::optional(DwordValue(recorded));
        for (int step = 0; step < 3; ++step) {
            EXPECT_EQ(step == 0 ? tweak->Disable() : tweak->Restore(), 0) << step;
            EXPECT_EQ(Stored(r), step == 0 && r.disabled ? DwordValue(*r.disabled) : back) << step;
            EXPECT_TRUE(KeyExists(r));
            ExpectSaved(*tweak, r, recorded);
        }
    }
    // The key path is handed to the registry exactly as written, leading backslash and case.
    EXPECT_EQ(spellings_, std::set<std::u16string>{r.path});
}

INSTANTIATE_TEST_SUITE_P(All, DwordTweak, testing::ValuesIn(kRows), ClassName<Row>);

// How each tweak reaches its key, on a new device (of another platform) holding only the roots:
// per call, reads and deletions never create the key, writes do, also once it was deleted. A held
// key missing at construction is never reached, even once another program creates it: nothing is
// read, writes fail with 2002, deletions count as done. A held created key replaced by another
// program fails writes with 2002; only mixed access, opening the key per read, reads the new one.
TEST(DwordTweaks, KeyAccessFollowsEachTweaksKind) {
    ce::Profile profile;
    profile.platform = "Other";
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.cls);
        test::TempDevice dev(profile, false);
        CTweakersFactory factory;
        CTweakBase& tweak = *TweakByClass(factory, r.cls);
        if (r.access == PerCall) {
            EXPECT_EQ(tweak.IsEnabled(), 0);
            EXPECT_EQ(tweak.Backup(), 0);
            ExpectSaved(tweak, r, kAbsent);
            EXPECT_EQ(tweak.Restore(), 0);
            EXPECT_FALSE(KeyExists(r));
            EXPECT_EQ(tweak.Enable(), 0);
            EXPECT_EQ(Stored(r), DwordValue(r.enabled));
            probe::Apply(ce::RegFileOp::kDeleteKey, r.root, r.path);
            SetSaved(tweak, r, r.enabled + 1);
            EXPECT_EQ(tweak.Restore(), 0);
            EXPECT_EQ(Stored(r), DwordValue(r.enabled + 1));
            continue;
        }
        // A held-open key that a tweak earlier in the catalogue creates (with a key below it) is
        // reachable.
        const bool created = std::any_of(std::begin(kRows), &r, [&](const Row& o) {
            return o.access != HeldOpen && o.access != PerCall && o.root == r.root &&
                   std::u16string_view(o.path).starts_with(r.path);
        });
        if (r.access == HeldOpen && created) {
            EXPECT_EQ(tweak.Enable(), 0);
            continue;
        }
        EXPECT_EQ(KeyExists(r), r.access != HeldOpen);
        if (r.access != HeldOpen) {
            probe::Apply(ce::RegFileOp::kDeleteKey, r.root, r.path);
            EXPECT_EQ(tweak.Enable(), 2002);
        }
        Store(r, DwordValue(r.enabled));
        EXPECT_EQ(tweak.IsEnabled(), r.access == Mixed ? 1 : 0);
        EXPECT_EQ(tweak.Enable(), 2002);
        EXPECT_EQ(tweak.Backup(), 0);
        ExpectSaved(tweak, r, r.access == Mixed ? r.enabled : kAbsent);
        SetSaved(tweak, r, kAbsent);
        EXPECT_EQ(tweak.Restore(), 0) << "deleting a value saved as absent counts as done";
        SetSaved(tweak, r, r.enabled + 1);
        EXPECT_EQ(tweak.Restore(), 2002);
        EXPECT_EQ(tweak.Disable(), 2002);
        EXPECT_EQ(Stored(r), DwordValue(r.enabled));
    }
}

constexpr char16_t kMarker[] = u"\u967F";  // saved for a target value that did not exist
constexpr char16_t kSearch[] = u"http://www.google.com/m/search?";

struct TextRow {
    const char* cls;
    HKEY root;
    const char16_t* path;
    const char16_t* value;
    std::u16string enabled;
    bool create;  // the key is created when the catalogue is built
    const char16_t* name;
    const char16_t* disabled = nullptr;  // the text Disable writes instead of restoring
};

// In catalogue order.
const TextRow kTextRows[] = {
    {"CGoogleMobileSearch", CU, u"Software\\Microsoft\\Internet Explorer\\Main", u"SearchURL",
     kSearch + std::u16string(u"mrestrict=xhtml&site=search&q="), false,
     u"Google Mobile Search Box"},
    {"CGoogleWelcomePage", CU, u"Software\\Microsoft\\Internet Explorer\\Main", u"Search Page",
     kSearch + std::u16string(u"mrestrict=xhtml&q=%s&site=search"), false, u"Google Welcome Page"},
    {"CPreventCABfileDeletation", CR, u"cabfile\\Shell\\open\\command", u"Default",
     u"wceload.exe \"%1\" /nodelete", false, u"Prevent CAB-File Deletion", u"wceload.exe \"%1\""},
    {"CSilenceMenuSelectSound", CU, u"ControlPanel\\Sounds\\MenuPopup", u"Sound", u"*none*", false,
     u"Menu-Select Sound"},
    {"CSilenceMenuCommandSound", CU, u"ControlPanel\\Sounds\\MenuCommand", u"Sound", u"*none*",
     false, u"Pop-Up Menu Sound"},
    {"CStoreRingtonesOnSD", CU, u"ControlPanel\\SoundCategories\\Ring", u"Directory",
     u"\\Storage Card\\", false, u"Store Ringtones on SD"},
    {"CBigSMSfonts", LM, u"Software\\Microsoft\\Inbox", u"RichEditHostFontSize", u"14", false,
     u"BIG SMS - Email Fonts"},
    {"CStoreIECasheToSD", CU,
     u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", u"Cache",
     u"\\Storage Card\\cacheie", false, u"Store IE Cache to SD"},
    {"CLoopingAlarm", CU, u"ControlPanel\\Sounds\\Clock", u"Script", u"apr", true,
     u"Looping Alarm"},
    {"CLoopingRingtone", CU, u"ControlPanel\\Sounds\\RingTone0", u"Script", u"apr", false,
     u"Looping Ringtone"},
    {"CKillKeyPressSound", CU, u"ControlPanel\\Sounds\\Keypress", u"Script", u"", false,
     u"Kill Keypress Sound"},
};

void PrintTo(const TextRow& row, std::ostream* os) { *os << row.cls; }

// A text as REG_MULTI_SZ data: one entry per text, each with its zero, and no second zero.
probe::Value ListValue(std::u16string_view text) { return SzValue(text, REG_MULTI_SZ); }

class TextTweak : public testing::TestWithParam<TextRow> {
protected:
    const TextRow& r = GetParam();
    test::TempDevice dev_;
};

// One life of each tweak: nothing saved yet, then a backup, enable, disable and restore from each
// kind of state the target can be in (another text, missing, of another type).
TEST_P(TextTweak, LifecycleFollowsTheTargetText) {
    probe::MakeMissing(r.root, r.path, r.value);
    CTweakersFactory factory;
    CTweakBase* tweak = TweakByClass(factory, r.cls);
    ASSERT_NE(tweak, nullptr);
    EXPECT_TRUE(tweak->GetName() == CWideString(r.name));
    const auto saved = [&] { return probe::Query(LM, BackupOf(*tweak).c_str(), r.value); };

    // With no saved text Restore leaves the target alone and writes nothing into the backup key;
    // reads never write, and a missing value is not enabled even for an empty enabled text.
    int64_t before = probe::LastChangeSeq();
    EXPECT_EQ(tweak->IsEnabled(), 0);
    EXPECT_EQ(tweak->Restore(), 0);
    if (!r.disabled) {
        EXPECT_EQ(tweak->Disable(), 0);
    }
    EXPECT_EQ(probe::LastChangeSeq(), before);
    EXPECT_FALSE(Stored(r));

    // Enabling writes the text and its zero as REG_SZ, nothing else.
    EXPECT_EQ(tweak->Enable(), 0);
    const auto changes = dev_.Device().Changes(before);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].valueName, r.value) << "the value's name, in its own case";
    EXPECT_EQ(Stored(r), SzValue(r.enabled));
    EXPECT_EQ(tweak->IsEnabled(), 1);

    // Enabled means exactly the text, up to the first zero; another case is another text.
    Store(r, SzValue(r.enabled + std::u16string(1, u'\0') + u"tail"));
    EXPECT_EQ(tweak->IsEnabled(), 1);
    Store(r, SzValue(r.enabled + u"x"));
    EXPECT_EQ(tweak->IsEnabled(), 0);
    Store(r, SzValue(r.enabled, REG_EXPAND_SZ));
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
        p.prior ? Store(r, *p.prior) : probe::MakeMissing(r.root, r.path, r.value);
        EXPECT_EQ(tweak->IsEnabled(), r.enabled == u"" && p.recorded == u"" ? 1 : 0);
        EXPECT_EQ(tweak->Backup(), 0);
        EXPECT_EQ(saved(), SzValue(p.recorded));
        EXPECT_EQ(Stored(r), p.prior) << "Backup changes nothing on the device";
        ASSERT_EQ(tweak->Enable(), 0);

        // Disable returns to the recorded state (or writes its fixed text); Restore, also a
        // second time, returns to the recorded state; the saved text stays.
        const std::optional<probe::Value> recorded =
            p.recorded == kMarker ? std::nullopt : std::optional(SzValue(p.recorded));
        EXPECT_EQ(tweak->Disable(), 0);
        EXPECT_EQ(Stored(r), r.disabled ? std::optional(SzValue(r.disabled)) : recorded);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(tweak->Restore(), 0);
            EXPECT_EQ(Stored(r), recorded);
        }
        EXPECT_EQ(saved(), SzValue(p.recorded));
    }
}

INSTANTIATE_TEST_SUITE_P(All, TextTweak, testing::ValuesIn(kTextRows), ClassName<TextRow>);

// Only the looping alarm creates its key when the catalogue is built. A tweak without its key
// reads nothing, backs up the marker, fails to enable with 2002, and a Restore that must write a
// saved text fails the same way, while one that must delete finds nothing to do.
TEST(TextTweaks, AKeyMissingAtConstructionStaysUnreachable) {
    test::TempDevice dev(ce::Profile{}, false);
    CTweakersFactory factory;
    for (const TextRow& r : kTextRows) {
        EXPECT_EQ(probe::KeyExists(r.root, r.path), r.create) << r.cls;
    }
    for (const TextRow& r : kTextRows) {
        SCOPED_TRACE(r.cls);
        if (r.create) continue;
        CTweakBase* tweak = TweakByClass(factory, r.cls);
        probe::Set(r.root, r.path, r.value, SzValue(r.enabled));  // another program's key
        EXPECT_EQ(tweak->IsEnabled(), 0);
        EXPECT_EQ(tweak->Enable(), 2002);
        EXPECT_EQ(tweak->Backup(), 0);
        EXPECT_EQ(probe::Query(LM, BackupOf(*tweak).c_str(), r.value), SzValue(kMarker));
        EXPECT_EQ(tweak->Restore(), 0);
        probe::Set(LM, BackupOf(*tweak), r.value, SzValue(u"saved"));
        EXPECT_EQ(tweak->Restore(), 2002);
        EXPECT_EQ(tweak->Disable(), 2002);
        EXPECT_EQ(probe::Query(r.root, r.path, r.value), SzValue(r.enabled));
    }
}

// The Start-menu order list: enabled while its first entry is "ActiveSync.lnk"; the backup keeps
// only the first entry of the list found before, as a list.
TEST(SortStartMenu, ReplacesTheOrderListAndSavesItsFirstEntry) {
    test::TempDevice dev;
    const char16_t* path = u"Software\\Microsoft\\Shell\\StartMenu";
    const auto order = [&] { return probe::Query(CU, path, u"Order"); };
    const auto setOrder = [&](std::u16string_view list) {
        probe::Set(CU, path, u"Order", {REG_MULTI_SZ, probe::Bytes(list)});
    };
    setOrder({u"Phone.lnk\0Calendar.lnk\0", 24});
    CTweakersFactory factory;
    CTweakBase* tweak = TweakByClass(factory, "CSortStartMenuAlphabeticalyTweak");
    ASSERT_NE(tweak, nullptr);
    EXPECT_TRUE(tweak->GetName() == CWideString(u"Sort StartMenu Alphabetically"));
    EXPECT_EQ(tweak->Backup(), 0);
    EXPECT_EQ(probe::Query(LM, BackupOf(*tweak).c_str(), u"Order"), ListValue(u"Phone.lnk"));
    EXPECT_EQ(tweak->IsEnabled(), 0);
    EXPECT_EQ(tweak->Enable(), 0);
    EXPECT_EQ(order(), ListValue(u"ActiveSync.lnk"));

    // Further entries are not looked at; a REG_SZ "Order" is no list at all, saved as missing.
    setOrder({u"ActiveSync.lnk\0Phone.lnk\0", 25});
    EXPECT_EQ(tweak->IsEnabled(), 1);
    probe::Set(CU, path, u"Order", SzValue(u"ActiveSync.lnk"));
    EXPECT_EQ(tweak->IsEnabled(), 0);
    EXPECT_EQ(tweak->Backup(), 0);
    EXPECT_EQ(tweak->Restore(), 0);
    EXPECT_FALSE(order());
    const int64_t before = probe::LastChangeSeq();
    EXPECT_EQ(tweak->Enable(), 0);
    EXPECT_EQ(dev.Device().Changes(before).at(0).valueName, u"Order") << "in its own case";
}

}  // namespace
