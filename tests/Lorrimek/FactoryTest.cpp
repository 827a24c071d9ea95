// The factory: the catalogue it builds and each tweak's fixed answers, the store keys and first
// backups it leaves on a device, the support rules, and the whole catalogue on the seeded phone.
#include <CePlatform/Device.h>
#include <CePlatform/RegFile.h>
#include <CePlatform/Unicode.h>
#include <Lorrimek/TweakersFactory.h>
#include <gtest/gtest.h>

#include <map>
#include <new>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "DeviceServices.h"
#include "SupportRule.h"
#include "support/PlatformHooks.h"
#include "support/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

// The whole catalogue in creation order: each class's category, whether it is supported on the
// four devices below (which tell every support rule apart), and its answers to NeedsRestart,
// SupportsToggleShortcut and HasEnableOption.
const struct Entry {
    const char16_t* id;
    int category;
    const char* support;
    const char* flags;
} kCatalogue[] = {
    {u"CSpeedBoostTweak_BE008CAD-DA8C-427a-87B3-2EB885AC01A8", 2, "1101", "FTT"},
    {u"CCallHistoryMaxTweak_F7D4D4BF-0C2B-45b9-A276-D7DA49F3325B", 3, "1101", "TTT"},
    {u"CSpeedMenuOffTweak_B568E46D-0D7D-4986-930E-630253875D45", 2, "1111", "TTT"},
    {u"CEnableObexTweak_2921DFB6-657D-4158-A5A5-52AFEC5F23E6", 2, "1111", "FTT"},
    {u"CTurnOffSMSSentTweak_4B31AFCA-FBB5-47a8-80E7-9CE99F390A64", 3, "1101", "FTT"},
    {u"CSortStartMenuAlphabeticalyTweak_07BD220D-EB65-443a-B28A-29FE2BC2159F", 2, "1001", "TTT"},
    {u"CBluetoothToggle_FF5AC5F3-C25B-4f00-9063-9338C350B542", 5, "1111", "TTF"},
    {u"CCallInititateSound_E08BF7D3-441B-4d29-B8C3-FB941A8A0129", 3, "1101", "FTT"},
    {u"CTrueSMSDelete_42B9B83E-4A28-4907-ACD5-883A924EFCA6", 3, "1101", "TTT"},
    {u"CHideLabels_8313F0B-7D04-4768-A045-7C0B6321EE23", 2, "1101", "TTT"},
    {u"CStartMenuScrollBarSupport_EE8E23D0-9AC8-49e4-94B3-B502882B6FA5", 2, "1101", "TTT"},
    {u"CGridViewToggle_468EEAE5-0A21-435a-870D-1120CAAF0DDA", 2, "1001", "FTT"},
    {u"CEnable320x240videoRec_68D904E1-E87E-4590-91C5-E6BA3FC02CCB", 2, "1101", "FTT"},
    {u"CSpeedUpSMSTyping_AA0BA23C-2CAF-486f-806E-12021807BE04}", 3, "1101", "FTT"},
    {u"CGoogleMobileSearch_10E99D0-345D-4b80-A754-0C9D578F83D3}", 1, "1101", "FTT"},
    {u"CGoogleWelcomePage_34BC386B-FEDF-4246-B996-CE3BB01E5C41}", 1, "1101", "FTT"},
    {u"CEnable4WAYNavi_460DF865-E8BA-44e0-B90F-8E860D81D382}", 1, "0100", "TTT"},
    {u"CDisableUSBcharging_B9DE3184-9C6B-4c4d-9934-F835B1C62D88}", 2, "1101", "TTT"},
    {u"CForcePassThrough_ECB4C370-A2E0-4a00-B64F-6E366E04DC9C}", 1, "1101", "TTT"},
    {u"CPreventCABfileDeletation_FEB21E1E-1AE5-4163-9CCB-73FFBFD5ECD6}", 2, "1101", "TTT"},
    {u"CSilenceMenuSelectSound_04604395-4C07-4862-AC62-303E9852F39D}", 4, "1101", "TTT"},
    {u"CSilenceMenuCommandSound_83FF5D36-93B8-4807-946B-AA41700D63BF}", 4, "1101", "TTT"},
    {u"CAllowDownloadOfEXEFiles_8E5CD2F3-B8E3-4388-AC4A-E3765A0F800E}", 1, "1101", "FTT"},
    {u"CAllowDownloadOfZIPFiles_F36A3247-7E27-46aa-B915-2C0E211EEDA5}", 1, "1101", "FTT"},
    {u"CGridViewToggleCingular_8CF6AB04-9ABE-40d9-A698-EA3A3F04B90D}", 2, "1001", "FTT"},
    {u"CSetMMSSizeToMAX_CB3D39F4-41F1-4b87-9E2B-FF7F5138C0C9}", 2, "1101", "TTT"},
    {u"CEdgeIconFix_77DDE218-0C69-4d73-A0CB-CC1F04E5A19F}", 3, "1101", "TTT"},
    {u"CCameraDateFolderFix_9A197941-5AB5-4749-9A34-7F899A0A880D}", 2, "1101", "TTT"},
    {u"CHideSIMcontacts_6B2FC103-4960-4f2a-A505-0EE3C9E6FB8D}", 3, "1101", "FTT"},
    {u"CStoreRingtonesOnSD_61F24F9B-8E20-479b-BF7A-660C584FD6B6}", 4, "1101", "TTT"},
    {u"CShowRemindersOnceOnly_81D569C1-4639-4349-88B1-DE000EC4120D}", 2, "1101", "TTT"},
    {u"CSMSDeliveryNotification_33983983-BBD7-48a5-ACEF-2EBA4A4F70C7}", 3, "1101", "TTT"},
    {u"CForceAskInstallLocation_89D73B1-468F-44d0-9635-500C6AB53957}", 2, "1101", "TTT"},
    {u"CForceAskOverwrite_E5913B4B-4A27-4f8b-8849-04EAC7999C0D}", 2, "1101", "TTT"},
    {u"CRealtimeDefrag_189C85FA-A530-4894-A943-F383BFEC3645}", 2, "1101", "TTT"},
    {u"CBigSMSfonts_55A8809E-047C-46b1-91E9-E5C065CE898F}", 2, "1101", "TTT"},
    {u"CMMSVideoIn176x144_EACD3478-6E68-4fc9-8DEF-860DC5F6B6E2}", 2, "1000", "TTT"},
    {u"CMMSVideoIn176x144New_C2435CF0-11CB-4109-92F9-738538EBA2A8}", 2, "0101", "TTT"},
    {u"CUnlimitedMMSRecording_78F3658F-D733-43b6-AE88-DBB5233D72CA}", 3, "1101", "TTT"},
    {u"CDisableSecurityWarning_A75D8199-1F73-4e88-953B-ED15EDE71515}", 2, "1101", "TTT"},
    {u"CStoreIECasheToSD_638B6C14-EA92-4374-BE70-C424E066F96B}", 1, "1101", "TTT"},
    {u"CLoopingAlarm_BC44F726-1560-4ef1-BFBA-E32FF425EFAA}", 4, "1101", "TTT"},
    {u"CLoopingRingtone_C617E5C6-1F68-403f-99A8-56C11110727F}", 4, "1101", "TTT"},
    {u"CSpeedUpWiFiSurfing_7D59CFED-2243-48e5-879E-E716E693669C}", 1, "1101", "TTT"},
    {u"CKillBootUpMelody_9FFF95A2-4C90-4f67-816B-3F5087E91AC}", 4, "1101", "TTT"},
    {u"CKillKeyPressSound_615E4C01-639D-4281-B93E-5F30E0E40EE7}", 4, "1101", "TTT"},
    {u"CSilenceCameraShutter_356913BE-BE19-45fc-BEB4-D6C422589C5B}", 4, "1101", "TTT"},
    {u"CImproveMemoryManagement_A7ACB54E-4F5F-41fe-B65B-075BAD08D7C0}", 2, "1101", "TTT"},
    {u"CEnableRoamingIndicator_840D0086-36E0-49dc-A50C-0BCAF28358F0}", 3, "1101", "TTT"},
    {u"CTwinSIMswitch_AA780C13-307C-446c-8A17-2975F7D82104}", 3, "1101", "TTT"},
    {u"CDisable3GPlimitSmartphone_A59925AC-FE16-4386-925D-AFE515A03EFA}", 2, "1001", "TTT"},
    {u"CDisable3GPlimitPocketPC_8B226014-AFCD-4ea0-96DF-C4166B3AA3F9}", 2, "0100", "TTT"},
    {u"CDisableMenuAnimations_5873CE74-4369-487b-99F1-85CCABEDC2EC}", 2, "1101", "TTT"},
    {u"CAlarmClock_F932B26B-BC19-4bc8-96EA-3CC95117ACFF}", 2, "1001", "FFT"},
    {u"CAlarm_87DC31FA-6F5F-4274-98D9-6E1516A33193}", 2, "1001", "FFT"},
    {u"CBluetoothBeam_C076B463-8D8D-4e7e-9BC5-A31BDF22B65F}", 2, "1001", "FFT"},
    {u"CChangeRingtones_2AACF3D0-27B7-4033-BA5B-59D5533C6FC0}", 4, "1001", "FFT"},
    {u"CCheckBattery_95BE8135-5609-4cc5-B213-358F61455C8B}", 2, "1001", "FFT"},
    {u"CUtilitySoftRestart_4F3F3A25-BA53-4b40-9ABB-308BC2E2B02A}", 5, "1111", "TTF"},
    {u"CBluetoothAudio_A85E1B75-E5C2-44f5-B080-3E0A7384ABAF}", 5, "1111", "TTF"},
    {u"CTurnOff_45EA3902-34F8-4623-A0FC-831EC6844550}", 5, "1111", "TTF"},
    {u"CWiFiAndPhoneOn_ED63740B-8C5E-43aa-9EA9-A6E8B1A76E18}", 3, "0100", "TTT"},
};
const std::tuple<const char*, uint32_t, uint32_t> kDevices[] = {
    {"SmartPhone", 5, 2}, {"PocketPC", 5, 2}, {"Other", 5, 2}, {"SmartPhone", 6, 1}};

const std::u16string kBackupRoot = u"Software\\Quenvale\\TweaksBackup";
const std::u16string kSettingsRoot = u"Software\\Quenvale\\TweaksSettings";

std::optional<probe::Value> BackupDone(std::u16string_view id) {
    const std::u16string path = kSettingsRoot + u"\\" + std::u16string(id);
    return probe::Query(HKEY_LOCAL_MACHINE, path.c_str(), u"BackupDone");
}

class FactoryTest : public testing::Test {
protected:
    void TearDown() override { hooks::Clear(); }

    test::TempDevice dev_;
};

TEST_F(FactoryTest, TweaksFollowTheCatalogueWithTheirOwnNamesAndDescriptions) {
    // Walking the catalogue, every tweak found by its ID is the next one of the list.
    CTweakersFactory factory;
    const std::list<CTweakBase*>& tweaks = factory.GetAllTweaks();
    ASSERT_EQ(tweaks.size(), std::size(kCatalogue));
    auto next = tweaks.begin();
    std::set<std::u16string> names;
    std::map<std::u16string, std::set<std::string>> tweaksByText;
    for (const Entry& e : kCatalogue) {
        SCOPED_TRACE(ce::ToUtf8(e.id));
        CTweakBase* found = factory.GetTweakByID(CWideString(e.id));
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found, *next++);
        EXPECT_EQ(found->GetCategory(), e.category);
        std::string flags;
        for (BOOL f :
             {found->NeedsRestart(), found->SupportsToggleShortcut(), found->HasEnableOption()}) {
            flags += f == 1 ? 'T' : f == 0 ? 'F' : '?';
        }
        EXPECT_EQ(flags, e.flags);
        EXPECT_EQ(found->HasConfiguration(), 0);
        EXPECT_EQ(found->Configure(), 0);
        names.insert(std::u16string(found->GetName().View()));
        const std::u16string text(found->GetDescription().View());
        EXPECT_FALSE(text.empty() || text == found->GetName().View());
        tweaksByText[text].insert(probe::ClassOf(e.id));
    }
    EXPECT_EQ(names.size(), 62u) << "display names are unique";
    EXPECT_EQ(names.count(u"Check Battery  direct link"), 1u);
    // Each tweak shows its own description exactly as held, odd spacing, backslash and "!."
    // included; only two pairs of tweaks share one.
    std::set<std::set<std::string>> shared;
    for (const auto& [text, classes] : tweaksByText) {
        if (classes.size() > 1) shared.insert(classes);
    }
    EXPECT_EQ(shared, (std::set<std::set<std::string>>{
                          {"CDisable3GPlimitPocketPC", "CDisable3GPlimitSmartphone"},
                          {"CMMSVideoIn176x144", "CMMSVideoIn176x144New"}}));
    const std::pair<const char16_t*, const char16_t*> exact[] = {
        {u"CUnlimitedMMSRecording_78F3658F-D733-43b6-AE88-DBB5233D72CA}",
         u"The default MMS Video Recording time is limited. This tweak will remove the limit. "
         u"NOTE: Tested  and working on  Cingular and C500.  It may or may not work on other  "
         u"models."},
        {u"CStoreIECasheToSD_638B6C14-EA92-4374-BE70-C424E066F96B}",
         u"When browsing the web, pages and images are saved in the 'Temporary Internet Files' "
         u"location.The tweak will change this location to your 'Storage Card\\cacheie' folder. "
         u"NOTE: You will need to make a 'cacheie' folder on your Storage Card."},
        {u"CBluetoothAudio_A85E1B75-E5C2-44f5-B080-3E0A7384ABAF}",
         u"This will route all sounds from your system  from the internal speaker to your "
         u"BlueTooth headset enabling you to listen your music stored on your device without "
         u"corded headset!."},
    };
    for (const auto& [id, text] : exact) {
        EXPECT_EQ(factory.GetTweakByID(CWideString(id))->GetDescription().View(),
                  std::u16string_view(text))
            << ce::ToUtf8(id);
    }

    // One factory answers for each device in turn: nothing is cached.
    for (size_t d = 0; d < std::size(kDevices); ++d) {
        const auto& [platform, major, minor] = kDevices[d];
        dev_.SetPlatform(platform);
        dev_.SetOsVersion(major, minor);
        for (const Entry& e : kCatalogue) {
            EXPECT_EQ(factory.GetTweakByID(CWideString(e.id))->IsSupported(),
                      e.support[d] == '1' ? 1 : 0)
                << probe::ClassOf(e.id) << " on " << platform << ' ' << major << '.' << minor;
        }
    }

    const std::u16string exe = kCatalogue[22].id;  // CAllowDownloadOfEXEFiles, ends in a brace
    std::u16string lower = exe;
    for (char16_t& c : lower) c = c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
    // A brace missing or added, a trailing zero, the class name alone, another case, a brace added
    // to an ID that has none, nothing.
    for (const std::u16string& miss :
         {exe.substr(0, exe.size() - 1), u"{" + exe, exe + u"}", exe + u'\0', exe.substr(0, 24),
          lower, kCatalogue[0].id + std::u16string(u"}"), std::u16string()}) {
        EXPECT_EQ(factory.GetTweakByID(CWideString(std::u16string_view(miss))), nullptr)
            << ce::ToUtf8(miss) << " (" << miss.size() << ")";
    }
    EXPECT_EQ(factory.GetTweakByID(CWideString()), nullptr);
}

// Construction creates one empty store key per tweak.
TEST_F(FactoryTest, ConstructionCreatesTheStoreAndTheFirstBackupRunsOnceForEveryTweak) {
    const int64_t before = probe::LastChangeSeq();
    CTweakersFactory{};
    for (const std::u16string& folder : {kBackupRoot, kSettingsRoot}) {
        std::set<std::u16string> paths, expected = {folder};
        for (const ce::RegKey& key : dev_.Device().ExportKeys(ce::RootKey::LocalMachine, folder)) {
            EXPECT_TRUE(key.values.empty()) << ce::KeyName(key.root, key.path);
            paths.insert(key.path);
        }
        for (const Entry& e : kCatalogue) expected.insert(folder + u"\\" + e.id);
        EXPECT_EQ(paths, expected);
    }
    EXPECT_EQ(dev_.Device().ExportKeys(ce::RootKey::LocalMachine, u"Software\\Quenvale").size(),
              3 + 2 * std::size(kCatalogue));
    for (const ce::Change& change : dev_.Device().Changes(before)) {
        EXPECT_EQ(change.kind, ce::Change::kCreateKey) << "construction writes no value";
    }

    // The first start backs up every tweak. One whose Backup fails (its backup key was removed)
    // does not stop the others, is marked not done (0), and is the only one retried at the next
    // start; a start after that writes nothing. Any nonzero mark counts as done.
    const std::u16string failing = kCatalogue[0].id;
    {
        CTweakersFactory factory;
        probe::Apply(ce::RegFileOp::kDeleteKey, HKEY_LOCAL_MACHINE, kBackupRoot + u"\\" + failing);
        EXPECT_FALSE(factory.DoBackupIfNeeded());
    }
    for (const Entry& e : kCatalogue) {
        EXPECT_EQ(BackupDone(e.id), probe::DwordValue(e.id == failing ? 0 : 1)) << ce::ToUtf8(e.id);
    }
    probe::Set(HKEY_LOCAL_MACHINE, kSettingsRoot + u"\\" + kCatalogue[1].id, u"BackupDone",
               probe::DwordValue(5));
    for (int start = 2; start <= 3; ++start) {
        const int64_t before = probe::LastChangeSeq();
        CTweakersFactory later;
        EXPECT_TRUE(later.DoBackupIfNeeded());
        for (const ce::Change& change : dev_.Device().Changes(before)) {
            EXPECT_TRUE(start == 2 && change.key.find(ce::ToUtf8(failing)) != std::string::npos)
                << "start " << start << " changed " << change.key;
        }
    }
    EXPECT_EQ(BackupDone(failing), probe::DwordValue(1));
}

// A tweak that cannot be constructed (here its backup key cannot be allocated) is left out of the
// catalogue, and nothing escapes the factory; every other tweak is there and works.
TEST_F(FactoryTest, ATweakThatCannotBeConstructedIsLeftOut) {
    const Entry& failing = kCatalogue[5];
    const std::u16string backup = probe::BackupPath(failing.id);
    hooks::beforeOpenKey = [&](HKEY, LPCWSTR path, bool) {
        if (path && backup == path) throw std::bad_alloc();
        return LONG{ERROR_SUCCESS};
    };
    CTweakersFactory factory;
    hooks::Clear();
    ASSERT_EQ(factory.GetAllTweaks().size(), std::size(kCatalogue) - 1);
    EXPECT_EQ(factory.GetTweakByID(CWideString(failing.id)), nullptr);
    EXPECT_TRUE(factory.DoBackupIfNeeded());
}

// Platform texts are compared exactly (the last one is longer than the buffer the query is given,
// so that the query fails); the support rules follow the platform and the OS version.
TEST_F(FactoryTest, SupportRulesFollowTheExactPlatformTextAndTheVersion) {
    const std::pair<std::string, int> platforms[] = {
        {"SmartPhone", kPlatformSmartphone}, {"PocketPC", kPlatformPocketPC},
        {"Smartphone", kPlatformOther},      {"SMARTPHONE", kPlatformOther},
        {"pocketpc", kPlatformOther},        {"PocketPC ", kPlatformOther},
        {"Pocket PC", kPlatformOther},       {"", kPlatformOther},
        {"Desktop", kPlatformOther},         {std::string(300, 'P'), kPlatformOther}};
    for (const auto& [text, expected] : platforms) {
        dev_.SetPlatform(text);
        EXPECT_EQ(GetPlatformType(), expected) << '"' << text << '"';
    }

    const ESupportRule rules[] = {ESupportRule::PocketPCOrSmartphone, ESupportRule::SmartphoneOnly,
                                  ESupportRule::PocketPCOnly,         ESupportRule::AnyPlatform,
                                  ESupportRule::MMSVideoOlder,        ESupportRule::MMSVideoNewer};
    // Platform, OS version, and the answer of each rule above.
    const std::tuple<const char*, uint32_t, uint32_t, const char*> cases[] = {
        {"SmartPhone", 3, 0, "110100"},  {"SmartPhone", 4, 20, "110110"},
        {"SmartPhone", 4, 21, "110110"}, {"SmartPhone", 5, 2, "110110"},
        {"SmartPhone", 6, 0, "110101"},  {"SmartPhone", 7, 0, "110100"},
        {"PocketPC", 3, 0, "101100"},    {"PocketPC", 4, 20, "101101"},
        {"PocketPC", 5, 1, "101101"},    {"PocketPC", 6, 5, "101101"},
        {"PocketPC", 8, 0, "101100"},    {"Desktop", 5, 2, "000100"},
        {"PocketPC", 0, 0, "101100"},    {"SmartPhone", 4294967295u, 0, "110100"}};
    for (const auto& [platform, major, minor, answers] : cases) {
        dev_.SetPlatform(platform);
        dev_.SetOsVersion(major, minor);
        for (size_t i = 0; i < std::size(rules); ++i) {
            EXPECT_EQ(IsSupportedBy(rules[i]), answers[i] == '1' ? TRUE : FALSE)
                << platform << ' ' << major << '.' << minor << " rule " << i;
        }
    }
}

// The seeded phone is a believable starting point: no tweak is in force yet, some target keys (of
// other makers) are missing, and restoring every tweak gives back the registry found at the first
// start. Two values come back otherwise, as their tweaks put them back: a number held in another
// type is written as a DWORD, and of a sorted Start-menu order list only its first entry returns
// (that tweak warns that it cannot be reversed); an order list never sorted is kept whole.
TEST_F(FactoryTest, OnTheSeededPhoneNoTweakIsInForceAndRestoringGivesItsRegistryBack) {
    CTweakersFactory factory;  // creates the store and the held-create target keys
    int enabled = 0;
    for (CTweakBase* tweak : factory.GetAllTweaks()) enabled += tweak->IsEnabled();
    EXPECT_EQ(0, enabled) << "a tweak is in force on a new phone";
    ASSERT_TRUE(factory.DoBackupIfNeeded());
    std::vector<ce::RegKey> expected = dev_.Device().ExportKeys();
    const auto restoreAll = [&](bool sorted) {
        for (CTweakBase* tweak : factory.GetAllTweaks()) EXPECT_EQ(kTweakOk, tweak->Restore());
        for (ce::RegKey& key : expected) {
            for (ce::RegValue& value : key.values) {
                if (key.root == ce::RootKey::ClassesRoot && key.path == u"exefile" &&
                    value.name == u"EditFlags") {
                    value.type = REG_DWORD;
                }
                if (sorted && key.path == u"Software\\Microsoft\\Shell\\StartMenu" &&
                    value.name == u"Order") {
                    const auto* entries = reinterpret_cast<const char16_t*>(value.data.data());
                    value.data = probe::SzValue(entries, REG_MULTI_SZ).data;
                }
            }
        }
        EXPECT_EQ(ce::FormatRegFile(expected), ce::FormatRegFile(dev_.Device().ExportKeys()));
    };
    restoreAll(false);

    // Enabling and disabling again tells whether the tweak reaches its value; the device actions
    // hold no state to come back to.
    std::set<std::string> unreachable;
    for (CTweakBase* tweak : factory.GetAllTweaks()) {
        if (!tweak->HasEnableOption()) continue;
        if (tweak->Enable() != kTweakOk) unreachable.insert(probe::ClassOf(tweak->GetID().View()));
        EXPECT_EQ(kTweakOk, tweak->Disable()) << ce::ToUtf8(tweak->GetName().View());
        EXPECT_FALSE(tweak->IsEnabled());
    }
    // Held-open target keys that this phone lacks: other makers' software and settings.
    EXPECT_EQ(
        unreachable,
        (std::set<std::string>{
            "CCameraDateFolderFix", "CDisable3GPlimitPocketPC", "CDisable3GPlimitSmartphone",
            "CEnable4WAYNavi", "CEnableRoamingIndicator", "CGridViewToggleCingular",
            "CKillBootUpMelody", "CMMSVideoIn176x144", "CMMSVideoIn176x144New", "CSetMMSSizeToMAX",
            "CSilenceCameraShutter", "CUnlimitedMMSRecording", "CWiFiAndPhoneOn"}));

    for (CTweakBase* tweak : factory.GetAllTweaks()) tweak->Enable();
    restoreAll(true);
}

}  // namespace
