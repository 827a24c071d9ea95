// The tweaks that keep their state in one registry value: the 41 of a DWORD, those of a text, and
// the Start-menu order list. Each is reached through the factory by its catalogue ID and checked
// against the registry through the Win32 functions and the device's own view (its export and
// change log), never through the tweak's helpers.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <Lorrimek/TweakersFactory.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>

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
    const char16_t* id;
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
    {u"CSpeedBoostTweak_BE008CAD-DA8C-427a-87B3-2EB885AC01A8", LM, u"\\system\\gdi\\glyphcache",
     u"limit", 32768, u"SpeedBoostLimit", PerCall, u"Speed-Boost"},
    {u"CCallHistoryMaxTweak_F7D4D4BF-0C2B-45b9-A276-D7DA49F3325B", CU, u"\\ControlPanel\\Phone",
     u"CallHistoryMax", 500, 0, HeldCreate, u"Set CallHistory to MAX"},
    {u"CSpeedMenuOffTweak_B568E46D-0D7D-4986-930E-630253875D45", LM, u"\\SYSTEM\\GWE\\Menu",
     u"AniType", 0, u"SpeedMenuBackup", PerCall, u"Speed-Up Menus", 2},
    {u"CEnableObexTweak_2921DFB6-657D-4158-A5A5-52AFEC5F23E6", LM, u"\\SOFTWARE\\Microsoft\\Obex",
     u"IsEnabled", 1, u"ObexEnable", PerCall, u"Bluetooth OBEX File Transfer"},
    {u"CTurnOffSMSSentTweak_4B31AFCA-FBB5-47a8-80E7-9CE99F390A64", LM,
     u"\\SOFTWARE\\Microsoft\\Inbox\\Settings", u"SMSNoSentMsg", 1, u"TurnOffSMSSent", PerCall,
     u"SMS-Sent Notification"},
    {u"CCallInititateSound_E08BF7D3-441B-4d29-B8C3-FB941A8A0129", CU,
     u"\\ControlPanel\\SoundCategories\\CallStart", u"InitVol", 0, 0, PerCall,
     u"Disable Call-Initiate Sound"},
    {u"CTrueSMSDelete_42B9B83E-4A28-4907-ACD5-883A924EFCA6", CU,
     u"\\Software\\Microsoft\\Inbox\\SMSText", u"MaxDeletedMsgs", 0, 0, Mixed, u"True SMS Delete"},
    {u"CHideLabels_8313F0B-7D04-4768-A045-7C0B6321EE23", CU,
     u"\\Software\\Microsoft\\Shell\\StartMenu", u"hide_labels", 1, 0, HeldCreate,
     u"Hide StartMenu labels"},
    {u"CStartMenuScrollBarSupport_EE8E23D0-9AC8-49e4-94B3-B502882B6FA5", CU,
     u"\\Software\\Microsoft\\Shell", u"RockerSupport", 1, 0, HeldOpen, u"StartMenu Scrollbar", 0},
    {u"CGridViewToggle_468EEAE5-0A21-435a-870D-1120CAAF0DDA", CU,
     u"\\Software\\Microsoft\\Shell\\StartMenu", u"GridView", 0, 0, HeldOpen, u"GridView Toggle"},
    {u"CEnable320x240videoRec_68D904E1-E87E-4590-91C5-E6BA3FC02CCB", LM,
     u"\\Software\\Microsoft\\Pictures\\Camera\\OEM\\VideoProfile", u"OptionNum", 3, 0, HeldOpen,
     u"Enable 320x240 video recording"},
    {u"CSpeedUpSMSTyping_AA0BA23C-2CAF-486f-806E-12021807BE04}", CU,
     u"\\ControlPanel\\Accessibility", u"CharTimeout", 650, 0, HeldOpen,
     u"Speed-Up Text/SMS Typing"},
    {u"CEnable4WAYNavi_460DF865-E8BA-44e0-B90F-8E860D81D382}", LM,
     u"\\Software\\Microsoft\\Internet Explorer\\Navigation", u"4-Way Nav", 0, 0, HeldOpen,
     u"Enable 4-way navigation"},
    {u"CDisableUSBcharging_B9DE3184-9C6B-4c4d-9934-F835B1C62D88}", LM,
     u"\\Drivers\\BuiltIn\\Usbfndrv", u"EnableUsbCharging", 0, 0, HeldOpen,
     u"Disable USB Charging"},
    {u"CForcePassThrough_ECB4C370-A2E0-4a00-B64F-6E366E04DC9C}", CU,
     u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", u"EnableAutoDetect", 1,
     0, HeldOpen, u"Force Internet Pass through"},
    {u"CAllowDownloadOfEXEFiles_8E5CD2F3-B8E3-4388-AC4A-E3765A0F800E}", CR, u"\\exefile",
     u"EditFlags", 65536, 0, HeldCreate, u"Allow Download of EXE Files"},
    {u"CAllowDownloadOfZIPFiles_F36A3247-7E27-46aa-B915-2C0E211EEDA5}", CR, u"\\zipfile",
     u"EditFlags", 65536, 0, HeldCreate, u"Allow Download of ZIP Files"},
    {u"CGridViewToggleCingular_8CF6AB04-9ABE-40d9-A698-EA3A3F04B90D}", CU,
     u"\\Software\\Microsoft\\Shell\\Rai\\:MSStart", u"GridView", 0, 0, HeldOpen,
     u"Gridview Toggle - Cingular"},
    {u"CSetMMSSizeToMAX_CB3D39F4-41F1-4b87-9E2B-FF7F5138C0C9}", LM,
     u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\UI\\SizeLimit", u"SendLimit3", 1024000, 0,
     HeldOpen, u"Set MMS-Size to MAX"},
    {u"CEdgeIconFix_77DDE218-0C69-4d73-A0CB-CC1F04E5A19F}", LM, u"\\Drivers\\BuiltIn\\RIL",
     u"EnableDifferGprsEdgeIcon", 1, 0, HeldCreate, u"EDGE Icon Fix"},
    {u"CCameraDateFolderFix_9A197941-5AB5-4749-9A34-7F899A0A880D}", LM,
     u"\\Software\\HTC\\Camera\\Captparam", u"EnableDateFolder", 1, 0, HeldOpen,
     u"Camera Date Folder Fix"},
    {u"CHideSIMcontacts_6B2FC103-4960-4f2a-A505-0EE3C9E6FB8D}", CU, u"\\ControlPanel\\Phone",
     u"ShowSim", 0, 0, HeldOpen, u"Hide SIM contacts"},
    {u"CShowRemindersOnceOnly_81D569C1-4639-4349-88B1-DE000EC4120D}", CU,
     u"\\ControlPanel\\Notifications\\Reminders\\AutoSnooze", u"AutoSnoozeMins", 0, 0, HeldOpen,
     u"Show Reminders Once Only"},
    {u"CSMSDeliveryNotification_33983983-BBD7-48a5-ACEF-2EBA4A4F70C7}", CU,
     u"\\Software\\Microsoft\\Inbox\\Settings", u"SMSDeliveryNotify", 1, 0, HeldCreate,
     u"SMS Delivery Notification"},
    {u"CForceAskInstallLocation_89D73B1-468F-44d0-9635-500C6AB53957}", LM,
     u"\\Software\\apps\\Microsoft Application Installer", u"fAskDest", 1, 0, HeldCreate,
     u"Force Ask Install Location"},
    {u"CForceAskOverwrite_E5913B4B-4A27-4f8b-8849-04EAC7999C0D}", LM,
     u"\\Software\\apps\\Microsoft Application Installer", u"fAskOptions", 1, 0, HeldCreate,
     u"Ask Before Over-Writing"},
    {u"CRealtimeDefrag_189C85FA-A530-4894-A943-F383BFEC3645}", CU,
     u"\\Software\\Microsoft\\Shell\\NeverDorkMemory", u"", 0, 0, HeldCreate,
     u"Realtime Memory De-Frag."},
    {u"CMMSVideoIn176x144_EACD3478-6E68-4fc9-8DEF-860DC5F6B6E2}", LM,
     u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\Capture", u"VideoRes", 1, 0, HeldOpen,
     u"MMS/Video in 176x144"},
    {u"CMMSVideoIn176x144New_C2435CF0-11CB-4109-92F9-738538EBA2A8}", LM,
     u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\Capture", u"VideoMode", 1, 0, HeldOpen,
     u"MMS/Video in 176x144 New"},
    {u"CUnlimitedMMSRecording_78F3658F-D733-43b6-AE88-DBB5233D72CA}", LM,
     u"\\SOFTWARE\\HTC\\Camera\\P3", u"EnableLimit", 0, 0, HeldOpen, u"Unlimited MMS Recording"},
    {u"CDisableSecurityWarning_A75D8199-1F73-4e88-953B-ED15EDE71515}", LM,
     u"\\Security\\Policies\\Policies", u"0000101a", 1, 0, HeldOpen, u"Security Warning OFF"},
    {u"CSpeedUpWiFiSurfing_7D59CFED-2243-48e5-879E-E716E693669C}", CU,
     u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
     u"MaxConnectionsPerServer", 16, 0, HeldOpen, u"Speed-Up WiFi Surfing"},
    {u"CKillBootUpMelody_9FFF95A2-4C90-4f67-816B-3F5087E91AC}", CU, u"\\ControlPanel\\PowerOnWave",
     u"on", 0, 0, HeldOpen, u"Kill Boot-Up Melody"},
    {u"CSilenceCameraShutter_356913BE-BE19-45fc-BEB4-D6C422589C5B}", LM,
     u"\\Software\\ArcSoft\\Camera", u"Shutter sound", 0, 0, HeldOpen,
     u"Silence Camera Shutter old"},
    {u"CImproveMemoryManagement_A7ACB54E-4F5F-41fe-B65B-075BAD08D7C0}", LM,
     u"\\Software\\Microsoft\\Shell\\LowMem", u"ProgramMem", 96, 0, HeldOpen,
     u"Improve Mem.Management"},
    {u"CEnableRoamingIndicator_840D0086-36E0-49dc-A50C-0BCAF28358F0}", LM,
     u"\\Software\\Microsoft\\RIL", u"NoRoamInd", 0, 0, HeldOpen, u"Enable Roaming Indicator"},
    {u"CTwinSIMswitch_AA780C13-307C-446c-8A17-2975F7D82104}", LM, u"\\System\\State\\Phone",
     u"MultiLine Capabilities", 1, 0, HeldOpen, u"Enable Twin SIM Switch"},
    {u"CDisable3GPlimitSmartphone_A59925AC-FE16-4386-925D-AFE515A03EFA}", LM,
     u"\\Software\\HTC\\camera\\AppDefSettings\\P3", u"EnableLimit", 0, 0, HeldOpen,
     u"Disable 3gp size limit SMP"},
    {u"CDisable3GPlimitPocketPC_8B226014-AFCD-4ea0-96DF-C4166B3AA3F9}", LM,
     u"\\Software\\HTC\\camera\\AppDefSettings\\P3", u"EnableRecLimit", 0, 0, HeldOpen,
     u"Disable 3gp size limit PPC"},
    {u"CDisableMenuAnimations_5873CE74-4369-487b-99F1-85CCABEDC2EC}", LM, u"\\SYSTEM\\GWE\\Menu",
     u"AniType", 0, 0, HeldOpen, u"Disable menu animations"},
    {u"CWiFiAndPhoneOn_ED63740B-8C5E-43aa-9EA9-A6E8B1A76E18}", LM, u"\\SERVICES\\WirelessMGR",
     u"MutexFlag", 0, 0, HeldOpen, u"WiFi and Phone On"},
};

void PrintTo(const Row& row, std::ostream* os) { *os << probe::ClassOf(row.id); }

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
    return probe::ClassOf(info.param.id);
}
bool KeyExists(const Row& r) { return probe::KeyExists(r.root, r.path); }
void SetSaved(const Row& r, DWORD number) {
    probe::Set(LM, probe::BackupPath(r.id), r.Saved(), DwordValue(number));
}
// Fails unless the tweak's backup key holds exactly one value: `number` under its backup name.
void ExpectSaved(const Row& r, DWORD number) {
    const auto keys =
        ce::CurrentDevice().ExportKeys(ce::RootKey::LocalMachine, probe::BackupPath(r.id));
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
    CTweakBase* tweak = factory.GetTweakByID(CWideString(r.id));
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
        {DwordValue(r.enabled + 7), r.enabled + 7}, {std::nullopt, kAbsent},
        {DwordValue(kSentinel), kAbsent},           {DwordValue(kAbsent), kAbsent},
        {probe::SzValue(u"not a number"), kAbsent},
    };
    for (const auto& [prior, recorded] : priors) {
        SCOPED_TRACE(testing::Message() << "prior state " << testing::PrintToString(prior));
        prior ? Store(r, *prior) : probe::MakeMissing(r.root, r.path, r.value);
        EXPECT_EQ(tweak->IsEnabled(), 0);
        EXPECT_EQ(tweak->Backup(), 0);
        ExpectSaved(r, recorded);
        EXPECT_EQ(Stored(r), prior);
        ASSERT_EQ(tweak->Enable(), 0);
        const std::optional<probe::Value> back =
            recorded == kAbsent ? std::nullopt : std::optional(DwordValue(recorded));
        for (int step = 0; step < 3; ++step) {
            EXPECT_EQ(step == 0 ? tweak->Disable() : tweak->Restore(), 0) << step;
            EXPECT_EQ(Stored(r), step == 0 && r.disabled ? DwordValue(*r.disabled) : back) << step;
            EXPECT_TRUE(KeyExists(r));
            ExpectSaved(r, recorded);
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
        SCOPED_TRACE(probe::ClassOf(r.id));
        test::TempDevice dev(profile, false);
        CTweakersFactory factory;
        CTweakBase& tweak = *factory.GetTweakByID(CWideString(r.id));
        if (r.access == PerCall) {
            EXPECT_EQ(tweak.IsEnabled(), 0);
            EXPECT_EQ(tweak.Backup(), 0);
            ExpectSaved(r, kAbsent);
            EXPECT_EQ(tweak.Restore(), 0);
            EXPECT_FALSE(KeyExists(r));
            EXPECT_EQ(tweak.Enable(), 0);
            EXPECT_EQ(Stored(r), DwordValue(r.enabled));
            probe::Apply(ce::RegFileOp::kDeleteKey, r.root, r.path);
            SetSaved(r, r.enabled + 1);
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
        ExpectSaved(r, r.access == Mixed ? r.enabled : kAbsent);
        SetSaved(r, kAbsent);
        EXPECT_EQ(tweak.Restore(), 0) << "deleting a value saved as absent counts as done";
        SetSaved(r, r.enabled + 1);
        EXPECT_EQ(tweak.Restore(), 2002);
        EXPECT_EQ(tweak.Disable(), 2002);
        EXPECT_EQ(Stored(r), DwordValue(r.enabled));
    }
}

constexpr char16_t kMarker[] = u"\u967F";  // saved for a target value that did not exist
constexpr char16_t kSearch[] = u"http://www.google.com/m/search?";

struct TextRow {
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
const TextRow kTextRows[] = {
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

void PrintTo(const TextRow& row, std::ostream* os) { *os << probe::ClassOf(row.id); }

// A text as REG_MULTI_SZ data: one entry per text, each with its zero, and no second zero.
probe::Value ListValue(std::u16string_view text) { return SzValue(text, REG_MULTI_SZ); }

class TextTweak : public testing::TestWithParam<TextRow> {
protected:
    void TearDown() override { hooks::Clear(); }

    std::optional<probe::Value> Saved() const {
        return probe::Query(LM, probe::BackupPath(r.id).c_str(), r.value);
    }

    const TextRow& r = GetParam();
    test::TempDevice dev_;
};

// One life of each tweak: nothing saved yet, then a backup, enable, disable and restore from each
// kind of state the target can be in (another text, missing, of another type).
TEST_P(TextTweak, LifecycleFollowsTheTargetTextAndAVanishingValueIsMissing) {
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
    EXPECT_FALSE(Stored(r));

    // Enabling writes the text and its zero as REG_SZ, nothing else.
    EXPECT_EQ(tweak->Enable(), 0);
    EXPECT_EQ(dev_.Device().Changes(before).size(), 1u);
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
        EXPECT_EQ(Saved(), SzValue(p.recorded));
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
        EXPECT_EQ(Saved(), SzValue(p.recorded));
    }

    // A value removed or retyped by another process between the tweak's look at its type and its
    // read is missing, never an empty text: the backup saves the marker, an empty enabled text is
    // not enabled, and a saved text that vanishes while Restore reads it writes nothing.
    const std::function<void()> vanish[] = {
        [&] { probe::Apply(ce::RegFileOp::kDeleteValue, r.root, r.path, r.value); },
        [&] { Store(r, DwordValue(1)); },
    };
    for (const auto& change : vanish) {
        Store(r, SzValue(r.enabled));
        hooks::beforeDataQuery = change;
        EXPECT_EQ(tweak->IsEnabled(), 0);
        Store(r, SzValue(u"found"));
        hooks::beforeDataQuery = change;
        EXPECT_EQ(tweak->Backup(), 0);
        EXPECT_EQ(Saved(), SzValue(kMarker));
    }
    Store(r, SzValue(u"now"));
    probe::Set(LM, probe::BackupPath(r.id), r.value, SzValue(u"saved"));
    hooks::beforeDataQuery = [&] {
        probe::Apply(ce::RegFileOp::kDeleteValue, LM, probe::BackupPath(r.id), r.value);
    };
    EXPECT_EQ(tweak->Restore(), 0);
    hooks::Clear();
    EXPECT_EQ(Stored(r), SzValue(u"now"));
}

INSTANTIATE_TEST_SUITE_P(All, TextTweak, testing::ValuesIn(kTextRows), ClassName<TextRow>);

// Only the looping alarm creates its key when the catalogue is built. A tweak without its key
// reads nothing, backs up the marker, fails to enable with 2002, and a Restore that must write a
// saved text fails the same way, while one that must delete finds nothing to do.
TEST(TextTweaks, AKeyMissingAtConstructionStaysUnreachable) {
    test::TempDevice dev(ce::Profile{}, false);
    CTweakersFactory factory;
    for (const TextRow& r : kTextRows) {
        EXPECT_EQ(probe::KeyExists(r.root, r.path), r.create) << probe::ClassOf(r.id);
    }
    for (const TextRow& r : kTextRows) {
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

// The Start-menu order list: enabled while its first entry is "ActiveSync.lnk"; the backup keeps
// only the first entry of the list found before, so restoring a sorted list gives that one entry,
// while a list that still starts with it is left whole.
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
    // A list never sorted keeps all its entries through Restore and Disable.
    EXPECT_EQ(tweak->Restore(), 0);
    EXPECT_EQ(tweak->Disable(), 0);
    EXPECT_EQ(order(), probe::Value({REG_MULTI_SZ, probe::Bytes(three)}));
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

}  // namespace
