// The 39 tweaks that keep their state in one DWORD registry value. Each is reached through the
// factory by its catalogue ID and checked against the registry through the Win32 functions and
// the device's own view (its export and change log), never through the tweak's helpers.
#include <CePlatform/Device.h>
#include <CePlatform/RegFile.h>
#include <Lorrimek/TweakersFactory.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/TempDevice.h"

namespace {

constexpr DWORD kSentinel = 57072;
constexpr DWORD kAbsent = 9999999;

enum class A { HeldOpen, HeldCreate, PerCall, Mixed };
enum class R { PpcOrSp, SpOnly, PpcOnly, Any, MmsOlder, MmsNewer };

struct Row {
    const char* cls;
    const char16_t* id;
    HKEY root;
    const char16_t* path;  // as the tweak hands it to the registry
    const char16_t* value;
    DWORD enabled;
    const char16_t* backupName;
    A access;
    R rule;
    bool restart;
    int category;
    const char16_t* name;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.cls; }

// In catalogue order.
const Row kRows[] = {
    {"CSpeedBoostTweak", u"CSpeedBoostTweak_BE008CAD-DA8C-427a-87B3-2EB885AC01A8",
     HKEY_LOCAL_MACHINE, u"\\system\\gdi\\glyphcache", u"limit", 32768, u"SpeedBoostLimit",
     A::PerCall, R::PpcOrSp, false, 2, u"Speed-Boost"},
    {"CCallHistoryMaxTweak", u"CCallHistoryMaxTweak_F7D4D4BF-0C2B-45b9-A276-D7DA49F3325B",
     HKEY_CURRENT_USER, u"\\ControlPanel\\Phone", u"CallHistoryMax", 500, u"CallHistoryMax",
     A::HeldCreate, R::PpcOrSp, true, 3, u"Set CallHistory to MAX"},
    {"CEnableObexTweak", u"CEnableObexTweak_2921DFB6-657D-4158-A5A5-52AFEC5F23E6",
     HKEY_LOCAL_MACHINE, u"\\SOFTWARE\\Microsoft\\Obex", u"IsEnabled", 1, u"ObexEnable", A::PerCall,
     R::Any, false, 2, u"Bluetooth OBEX File Transfer"},
    {"CTurnOffSMSSentTweak", u"CTurnOffSMSSentTweak_4B31AFCA-FBB5-47a8-80E7-9CE99F390A64",
     HKEY_LOCAL_MACHINE, u"\\SOFTWARE\\Microsoft\\Inbox\\Settings", u"SMSNoSentMsg", 1,
     u"TurnOffSMSSent", A::PerCall, R::PpcOrSp, false, 3, u"SMS-Sent Notification"},
    {"CCallInititateSound", u"CCallInititateSound_E08BF7D3-441B-4d29-B8C3-FB941A8A0129",
     HKEY_CURRENT_USER, u"\\ControlPanel\\SoundCategories\\CallStart", u"InitVol", 0, u"InitVol",
     A::PerCall, R::PpcOrSp, false, 3, u"Disable Call-Initiate Sound"},
    {"CTrueSMSDelete", u"CTrueSMSDelete_42B9B83E-4A28-4907-ACD5-883A924EFCA6", HKEY_CURRENT_USER,
     u"\\Software\\Microsoft\\Inbox\\SMSText", u"MaxDeletedMsgs", 0, u"MaxDeletedMsgs", A::Mixed,
     R::PpcOrSp, true, 3, u"True SMS Delete"},
    {"CHideLabels", u"CHideLabels_8313F0B-7D04-4768-A045-7C0B6321EE23", HKEY_CURRENT_USER,
     u"\\Software\\Microsoft\\Shell\\StartMenu", u"hide_labels", 1, u"hide_labels", A::HeldCreate,
     R::PpcOrSp, true, 2, u"Hide StartMenu labels"},
    {"CGridViewToggle", u"CGridViewToggle_468EEAE5-0A21-435a-870D-1120CAAF0DDA", HKEY_CURRENT_USER,
     u"\\Software\\Microsoft\\Shell\\StartMenu", u"GridView", 0, u"GridView", A::HeldOpen,
     R::SpOnly, false, 2, u"GridView Toggle"},
    {"CEnable320x240videoRec", u"CEnable320x240videoRec_68D904E1-E87E-4590-91C5-E6BA3FC02CCB",
     HKEY_LOCAL_MACHINE, u"\\Software\\Microsoft\\Pictures\\Camera\\OEM\\VideoProfile",
     u"OptionNum", 3, u"OptionNum", A::HeldOpen, R::PpcOrSp, false, 2,
     u"Enable 320x240 video recording"},
    {"CSpeedUpSMSTyping", u"CSpeedUpSMSTyping_AA0BA23C-2CAF-486f-806E-12021807BE04}",
     HKEY_CURRENT_USER, u"\\ControlPanel\\Accessibility", u"CharTimeout", 650, u"CharTimeout",
     A::HeldOpen, R::PpcOrSp, false, 3, u"Speed-Up Text/SMS Typing"},
    {"CEnable4WAYNavi", u"CEnable4WAYNavi_460DF865-E8BA-44e0-B90F-8E860D81D382}",
     HKEY_LOCAL_MACHINE, u"\\Software\\Microsoft\\Internet Explorer\\Navigation", u"4-Way Nav", 0,
     u"4-Way Nav", A::HeldOpen, R::PpcOnly, true, 1, u"Enable 4-way navigation"},
    {"CDisableUSBcharging", u"CDisableUSBcharging_B9DE3184-9C6B-4c4d-9934-F835B1C62D88}",
     HKEY_LOCAL_MACHINE, u"\\Drivers\\BuiltIn\\Usbfndrv", u"EnableUsbCharging", 0,
     u"EnableUsbCharging", A::HeldOpen, R::PpcOrSp, true, 2, u"Disable USB Charging"},
    {"CForcePassThrough", u"CForcePassThrough_ECB4C370-A2E0-4a00-B64F-6E366E04DC9C}",
     HKEY_CURRENT_USER, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
     u"EnableAutoDetect", 1, u"EnableAutoDetect", A::HeldOpen, R::PpcOrSp, true, 1,
     u"Force Internet Pass through"},
    {"CAllowDownloadOfEXEFiles", u"CAllowDownloadOfEXEFiles_8E5CD2F3-B8E3-4388-AC4A-E3765A0F800E}",
     HKEY_CLASSES_ROOT, u"\\exefile", u"EditFlags", 65536, u"EditFlags", A::HeldCreate, R::PpcOrSp,
     false, 1, u"Allow Download of EXE Files"},
    {"CAllowDownloadOfZIPFiles", u"CAllowDownloadOfZIPFiles_F36A3247-7E27-46aa-B915-2C0E211EEDA5}",
     HKEY_CLASSES_ROOT, u"\\zipfile", u"EditFlags", 65536, u"EditFlags", A::HeldCreate, R::PpcOrSp,
     false, 1, u"Allow Download of ZIP Files"},
    {"CGridViewToggleCingular", u"CGridViewToggleCingular_8CF6AB04-9ABE-40d9-A698-EA3A3F04B90D}",
     HKEY_CURRENT_USER, u"\\Software\\Microsoft\\Shell\\Rai\\:MSStart", u"GridView", 0, u"GridView",
     A::HeldOpen, R::SpOnly, false, 2, u"Gridview Toggle - Cingular"},
    {"CSetMMSSizeToMAX", u"CSetMMSSizeToMAX_CB3D39F4-41F1-4b87-9E2B-FF7F5138C0C9}",
     HKEY_LOCAL_MACHINE, u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\UI\\SizeLimit",
     u"SendLimit3", 1024000, u"SendLimit3", A::HeldOpen, R::PpcOrSp, true, 2,
     u"Set MMS-Size to MAX"},
    {"CEdgeIconFix", u"CEdgeIconFix_77DDE218-0C69-4d73-A0CB-CC1F04E5A19F}", HKEY_LOCAL_MACHINE,
     u"\\Drivers\\BuiltIn\\RIL", u"EnableDifferGprsEdgeIcon", 1, u"EnableDifferGprsEdgeIcon",
     A::HeldCreate, R::PpcOrSp, true, 3, u"EDGE Icon Fix"},
    {"CCameraDateFolderFix", u"CCameraDateFolderFix_9A197941-5AB5-4749-9A34-7F899A0A880D}",
     HKEY_LOCAL_MACHINE, u"\\Software\\HTC\\Camera\\Captparam", u"EnableDateFolder", 1,
     u"EnableDateFolder", A::HeldOpen, R::PpcOrSp, true, 2, u"Camera Date Folder Fix"},
    {"CHideSIMcontacts", u"CHideSIMcontacts_6B2FC103-4960-4f2a-A505-0EE3C9E6FB8D}",
     HKEY_CURRENT_USER, u"\\ControlPanel\\Phone", u"ShowSim", 0, u"ShowSim", A::HeldOpen,
     R::PpcOrSp, false, 3, u"Hide SIM contacts"},
    {"CShowRemindersOnceOnly", u"CShowRemindersOnceOnly_81D569C1-4639-4349-88B1-DE000EC4120D}",
     HKEY_CURRENT_USER, u"\\ControlPanel\\Notifications\\Reminders\\AutoSnooze", u"AutoSnoozeMins",
     0, u"AutoSnoozeMins", A::HeldOpen, R::PpcOrSp, true, 2, u"Show Reminders Once Only"},
    {"CSMSDeliveryNotification", u"CSMSDeliveryNotification_33983983-BBD7-48a5-ACEF-2EBA4A4F70C7}",
     HKEY_CURRENT_USER, u"\\Software\\Microsoft\\Inbox\\Settings", u"SMSDeliveryNotify", 1,
     u"SMSDeliveryNotify", A::HeldCreate, R::PpcOrSp, true, 3, u"SMS Delivery Notification"},
    {"CForceAskInstallLocation", u"CForceAskInstallLocation_89D73B1-468F-44d0-9635-500C6AB53957}",
     HKEY_LOCAL_MACHINE, u"\\Software\\apps\\Microsoft Application Installer", u"fAskDest", 1,
     u"fAskDest", A::HeldCreate, R::PpcOrSp, true, 2, u"Force Ask Install Location"},
    {"CForceAskOverwrite", u"CForceAskOverwrite_E5913B4B-4A27-4f8b-8849-04EAC7999C0D}",
     HKEY_LOCAL_MACHINE, u"\\Software\\apps\\Microsoft Application Installer", u"fAskOptions", 1,
     u"fAskOptions", A::HeldCreate, R::PpcOrSp, true, 2, u"Ask Before Over-Writing"},
    {"CRealtimeDefrag", u"CRealtimeDefrag_189C85FA-A530-4894-A943-F383BFEC3645}", HKEY_CURRENT_USER,
     u"\\Software\\Microsoft\\Shell\\NeverDorkMemory", u"", 0, u"", A::HeldCreate, R::PpcOrSp, true,
     2, u"Realtime Memory De-Frag."},
    {"CMMSVideoIn176x144", u"CMMSVideoIn176x144_EACD3478-6E68-4fc9-8DEF-860DC5F6B6E2}",
     HKEY_LOCAL_MACHINE, u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\Capture", u"VideoRes", 1,
     u"VideoRes", A::HeldOpen, R::MmsOlder, true, 2, u"MMS/Video in 176x144"},
    {"CMMSVideoIn176x144New", u"CMMSVideoIn176x144New_C2435CF0-11CB-4109-92F9-738538EBA2A8}",
     HKEY_LOCAL_MACHINE, u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\Capture", u"VideoMode", 1,
     u"VideoMode", A::HeldOpen, R::MmsNewer, true, 2, u"MMS/Video in 176x144 New"},
    {"CUnlimitedMMSRecording", u"CUnlimitedMMSRecording_78F3658F-D733-43b6-AE88-DBB5233D72CA}",
     HKEY_LOCAL_MACHINE, u"\\SOFTWARE\\HTC\\Camera\\P3", u"EnableLimit", 0, u"EnableLimit",
     A::HeldOpen, R::PpcOrSp, true, 3, u"Unlimited MMS Recording"},
    {"CDisableSecurityWarning", u"CDisableSecurityWarning_A75D8199-1F73-4e88-953B-ED15EDE71515}",
     HKEY_LOCAL_MACHINE, u"\\Security\\Policies\\Policies", u"0000101a", 1, u"0000101a",
     A::HeldOpen, R::PpcOrSp, true, 2, u"Security Warning OFF"},
    {"CSpeedUpWiFiSurfing", u"CSpeedUpWiFiSurfing_7D59CFED-2243-48e5-879E-E716E693669C}",
     HKEY_CURRENT_USER, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
     u"MaxConnectionsPerServer", 16, u"MaxConnectionsPerServer", A::HeldOpen, R::PpcOrSp, true, 1,
     u"Speed-Up WiFi Surfing"},
    {"CKillBootUpMelody", u"CKillBootUpMelody_9FFF95A2-4C90-4f67-816B-3F5087E91AC}",
     HKEY_CURRENT_USER, u"\\ControlPanel\\PowerOnWave", u"on", 0, u"on", A::HeldOpen, R::PpcOrSp,
     true, 4, u"Kill Boot-Up Melody"},
    {"CSilenceCameraShutter", u"CSilenceCameraShutter_356913BE-BE19-45fc-BEB4-D6C422589C5B}",
     HKEY_LOCAL_MACHINE, u"\\Software\\ArcSoft\\Camera", u"Shutter sound", 0, u"Shutter sound",
     A::HeldOpen, R::PpcOrSp, true, 4, u"Silence Camera Shutter old"},
    {"CImproveMemoryManagement", u"CImproveMemoryManagement_A7ACB54E-4F5F-41fe-B65B-075BAD08D7C0}",
     HKEY_LOCAL_MACHINE, u"\\Software\\Microsoft\\Shell\\LowMem", u"ProgramMem", 96, u"ProgramMem",
     A::HeldOpen, R::PpcOrSp, true, 2, u"Improve Mem.Management"},
    {"CEnableRoamingIndicator", u"CEnableRoamingIndicator_840D0086-36E0-49dc-A50C-0BCAF28358F0}",
     HKEY_LOCAL_MACHINE, u"\\Software\\Microsoft\\RIL", u"NoRoamInd", 0, u"NoRoamInd", A::HeldOpen,
     R::PpcOrSp, true, 3, u"Enable Roaming Indicator"},
    {"CTwinSIMswitch", u"CTwinSIMswitch_AA780C13-307C-446c-8A17-2975F7D82104}", HKEY_LOCAL_MACHINE,
     u"\\System\\State\\Phone", u"MultiLine Capabilities", 1, u"MultiLine Capabilities",
     A::HeldOpen, R::PpcOrSp, true, 3, u"Enable Twin SIM Switch"},
    {"CDisable3GPlimitSmartphone",
     u"CDisable3GPlimitSmartphone_A59925AC-FE16-4386-925D-AFE515A03EFA}", HKEY_LOCAL_MACHINE,
     u"\\Software\\HTC\\camera\\AppDefSettings\\P3", u"EnableLimit", 0, u"EnableLimit", A::HeldOpen,
     R::SpOnly, true, 2, u"Disable 3gp size limit SMP"},
    {"CDisable3GPlimitPocketPC", u"CDisable3GPlimitPocketPC_8B226014-AFCD-4ea0-96DF-C4166B3AA3F9}",
     HKEY_LOCAL_MACHINE, u"\\Software\\HTC\\camera\\AppDefSettings\\P3", u"EnableRecLimit", 0,
     u"EnableRecLimit", A::HeldOpen, R::PpcOnly, true, 2, u"Disable 3gp size limit PPC"},
    {"CDisableMenuAnimations", u"CDisableMenuAnimations_5873CE74-4369-487b-99F1-85CCABEDC2EC}",
     HKEY_LOCAL_MACHINE, u"\\SYSTEM\\GWE\\Menu", u"AniType", 0, u"AniType", A::HeldOpen, R::PpcOrSp,
     true, 2, u"Disable menu animations"},
    {"CWiFiAndPhoneOn", u"CWiFiAndPhoneOn_ED63740B-8C5E-43aa-9EA9-A6E8B1A76E18}",
     HKEY_LOCAL_MACHINE, u"\\SERVICES\\WirelessMGR", u"MutexFlag", 0, u"MutexFlag", A::HeldOpen,
     R::PpcOnly, true, 3, u"WiFi and Phone On"},
};

// Whether `rule` offers a tweak on `platform` with this OS version class (4.0-4.20 → 3, later 4.x
// → 4, 5.x → 5, 6.x → 6).
bool Offered(R rule, const std::string& platform, int versionClass) {
    const bool sp = platform == "SmartPhone";
    const bool ppc = platform == "PocketPC";
    switch (rule) {
        case R::PpcOrSp:
            return sp || ppc;
        case R::SpOnly:
            return sp;
        case R::PpcOnly:
            return ppc;
        case R::Any:
            return true;
        case R::MmsOlder:
            return sp && versionClass >= 3 && versionClass <= 5;
        case R::MmsNewer:
            return (sp && versionClass == 6) || (ppc && versionClass >= 3 && versionClass <= 6);
    }
    return false;
}

ce::RootKey RootOf(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return ce::RootKey::ClassesRoot;
    if (root == HKEY_CURRENT_USER) return ce::RootKey::CurrentUser;
    return ce::RootKey::LocalMachine;
}

// ASCII lower case, for key names (which the registry compares without regard to case).
template <typename Char>
std::basic_string<Char> Lower(std::basic_string<Char> text) {
    for (Char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<Char>(c - 'A' + 'a');
    }
    return text;
}

std::vector<uint8_t> DwordBytes(DWORD number) {
    std::vector<uint8_t> bytes(4);
    std::memcpy(bytes.data(), &number, 4);
    return bytes;
}

struct Raw {
    DWORD type;
    std::vector<uint8_t> data;
    bool operator==(const Raw&) const = default;
};

int64_t LastChange() {
    const auto changes = ce::CurrentDevice().Changes();
    return changes.empty() ? 0 : changes.back().seq;
}

// One registry value as the outside world sees it.
class Value {
public:
    Value(HKEY root, std::u16string path, std::u16string name)
        : root_(root), path_(std::move(path)), name_(std::move(name)) {}

    std::u16string Normalised() const {
        std::u16string p = path_;
        while (!p.empty() && p.front() == u'\\') p.erase(0, 1);
        return p;
    }
    bool KeyExists() const { return ce::CurrentDevice().KeyExists(RootOf(root_), Normalised()); }
    // Whether a change record is about this key.
    bool IsKeyOf(const ce::Change& change) const {
        return Lower(change.key) == Lower(ce::KeyName(RootOf(root_), Normalised()));
    }

    std::optional<Raw> Read() const {
        HKEY key = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0xBADC0DE));
        if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
            EXPECT_EQ(key, nullptr);
            return std::nullopt;
        }
        DWORD type = 0xDEADBEEF;
        std::vector<uint8_t> buffer(512, 0xCC);
        DWORD size = static_cast<DWORD>(buffer.size());
        const LONG rc = RegQueryValueExW(key, name_.c_str(), nullptr, &type, buffer.data(), &size);
        RegCloseKey(key);
        if (rc == ERROR_FILE_NOT_FOUND) {
            EXPECT_EQ(type, 0xDEADBEEFu);
            EXPECT_EQ(size, buffer.size());
            return std::nullopt;
        }
        EXPECT_EQ(rc, ERROR_SUCCESS);
        buffer.resize(size);
        return Raw{type, buffer};
    }
    // The stored number; fails the test for anything but a REG_DWORD of 4 bytes.
    std::optional<DWORD> Dword() const {
        const auto raw = Read();
        if (!raw) return std::nullopt;
        EXPECT_EQ(raw->type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(raw->data.size(), 4u);
        if (raw->data.size() != 4) return std::nullopt;
        DWORD number;
        std::memcpy(&number, raw->data.data(), 4);
        return number;
    }

    // Writes the value as another program would, creating its key if needed.
    void Set(DWORD type, const void* data, DWORD size) const {
        HKEY key = Create();
        EXPECT_EQ(RegSetValueExW(key, name_.c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void SetDword(DWORD number) const { Set(REG_DWORD, &number, 4); }
    void SetText(const std::u16string& text) const {
        Set(REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
    }
    // Creates the key if needed and removes the value.
    void MakeMissing() const {
        HKEY key = Create();
        RegDeleteValueW(key, name_.c_str());
        RegCloseKey(key);
    }
    // Removes the key with everything below it, as another program would.
    void DeleteKey() const {
        ce::RegFileOp op;
        op.kind = ce::RegFileOp::kDeleteKey;
        op.root = RootOf(root_);
        op.path = Normalised();
        ce::CurrentDevice().Import({op});
        ASSERT_FALSE(KeyExists());
    }

private:
    HKEY Create() const {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    HKEY root_;
    std::u16string path_;
    std::u16string name_;
};

Value TargetOf(const Row& row) { return Value(row.root, row.path, row.value); }

std::u16string BackupKeyPath(const Row& row) {
    return std::u16string(u"Software\\Quenvale\\TweaksBackup\\") + row.id;
}

Value SavedOf(const Row& row) {
    return Value(HKEY_LOCAL_MACHINE, BackupKeyPath(row), row.backupName);
}

// Fails unless the tweak's backup key holds exactly one value: `number` under its backup name.
void ExpectSaved(const Row& row, DWORD number) {
    const auto keys = ce::CurrentDevice().ExportKeys(ce::RootKey::LocalMachine, BackupKeyPath(row));
    ASSERT_FALSE(keys.empty());
    ASSERT_EQ(keys.front().values.size(), 1u);
    const ce::RegValue& saved = keys.front().values.front();
    EXPECT_TRUE(saved.name == row.backupName);
    EXPECT_EQ(saved.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(saved.data, DwordBytes(number));
}

// A held-open tweak whose key another tweak of the catalogue creates when it is constructed; the
// creating tweaks come earlier in the catalogue.
bool KeyCreatedByCatalogue(const Row& row) {
    return std::any_of(std::begin(kRows), std::end(kRows), [&](const Row& other) {
        return (other.access == A::HeldCreate || other.access == A::Mixed) &&
               other.root == row.root &&
               Lower(std::u16string(other.path)) == Lower(std::u16string(row.path));
    });
}

std::vector<Row> RowsWhere(const std::function<bool(const Row&)>& pick) {
    std::vector<Row> rows;
    std::copy_if(std::begin(kRows), std::end(kRows), std::back_inserter(rows), pick);
    return rows;
}

std::string RowName(const testing::TestParamInfo<Row>& info) { return info.param.cls; }

// A fresh seeded device (SmartPhone 5.2) and, once Build() runs, a factory on it.
class DwordTweak : public testing::TestWithParam<Row> {
protected:
    CTweakBase* Build() {
        factory_.emplace();
        return factory_->GetTweakByID(CWideString(GetParam().id));
    }

    test::TempDevice dev_;
    std::optional<CTweakersFactory> factory_;
};

TEST_P(DwordTweak, AnswersItsIdentityAndFixedCapabilities) {
    const Row& row = GetParam();
    CTweakBase* tweak = Build();
    ASSERT_NE(tweak, nullptr);
    EXPECT_TRUE(tweak->GetID() == CWideString(row.id));
    EXPECT_TRUE(tweak->GetName() == CWideString(row.name));
    EXPECT_EQ(tweak->GetCategory(), row.category);
    EXPECT_EQ(tweak->NeedsRestart(), row.restart ? 1 : 0);
    EXPECT_EQ(tweak->Configure(), 0);
    EXPECT_EQ(tweak->SupportsToggleShortcut(), 1);
    EXPECT_EQ(tweak->HasEnableOption(), 1);
    EXPECT_EQ(tweak->HasConfiguration(), 0);
}

TEST_P(DwordTweak, SupportFollowsThePlatformAndDoesNotStopEnable) {
    const Row& row = GetParam();
    const Value target = TargetOf(row);
    target.MakeMissing();
    CTweakBase* tweak = Build();
    ASSERT_NE(tweak, nullptr);
    // One tweak object answers for each platform in turn: nothing is cached.
    for (const std::string platform : {"SmartPhone", "PocketPC", "Other", "SmartPhone"}) {
        dev_.SetPlatform(platform);
        EXPECT_EQ(tweak->IsSupported(), Offered(row.rule, platform, 5) ? 1 : 0) << platform;
    }
    dev_.SetPlatform("Other");
    EXPECT_EQ(tweak->Enable(), 0);
    EXPECT_EQ(target.Dword(), row.enabled);
}

TEST_P(DwordTweak, IsEnabledExactlyWhenTheTargetHoldsTheEnabledData) {
    const Row& row = GetParam();
    const Value target = TargetOf(row);
    target.MakeMissing();
    CTweakBase* tweak = Build();
    ASSERT_NE(tweak, nullptr);

    const int64_t before = LastChange();
    EXPECT_EQ(tweak->IsEnabled(), 0);
    EXPECT_EQ(LastChange(), before) << "reading wrote to the registry";
    EXPECT_FALSE(target.Read());
    target.SetDword(row.enabled + 1);
    EXPECT_EQ(tweak->IsEnabled(), 0);
    target.SetText(u"a text longer than four bytes");
    EXPECT_EQ(tweak->IsEnabled(), 0);

    const int64_t beforeEnable = LastChange();
    EXPECT_EQ(tweak->Enable(), 0);
    const auto raw = target.Read();
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw->data, DwordBytes(row.enabled));
    const auto changes = ce::CurrentDevice().Changes(beforeEnable);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].kind, ce::Change::kSetValue);
    EXPECT_TRUE(target.IsKeyOf(changes[0])) << changes[0].key;
    EXPECT_EQ(tweak->IsEnabled(), 1);
}

TEST_P(DwordTweak, DisableAndRestoreReturnToTheRecordedState) {
    const Row& row = GetParam();
    const Value target = TargetOf(row);
    target.MakeMissing();
    CTweakBase* tweak = Build();
    ASSERT_NE(tweak, nullptr);

    const DWORD other = row.enabled + 7;
    struct Prior {
        const char* label;
        std::function<void()> set;
        DWORD recorded;
    };
    const Prior priors[] = {
        {"a number", [&] { target.SetDword(other); }, other},
        {"missing", [&] { target.MakeMissing(); }, kAbsent},
        {"the read default", [&] { target.SetDword(kSentinel); }, kAbsent},
        {"the absent marker", [&] { target.SetDword(kAbsent); }, kAbsent},
        {"a long text", [&] { target.SetText(u"not a number"); }, kAbsent},
    };
    for (const Prior& prior : priors) {
        SCOPED_TRACE(prior.label);
        prior.set();
        const auto found = target.Read();
        EXPECT_EQ(tweak->Backup(), 0);
        ExpectSaved(row, prior.recorded);
        EXPECT_TRUE(target.Read() == found) << "Backup changed the target";

        ASSERT_EQ(tweak->Enable(), 0);
        const std::pair<const char*, std::function<int()>> steps[] = {
            {"Disable", [&] { return tweak->Disable(); }},
            {"Restore", [&] { return tweak->Restore(); }},
            {"Restore again", [&] { return tweak->Restore(); }},
        };
        for (const auto& [step, run] : steps) {
            SCOPED_TRACE(step);
            EXPECT_EQ(run(), 0);
            if (prior.recorded == kAbsent) {
                EXPECT_FALSE(target.Read());
                EXPECT_TRUE(target.KeyExists());
            } else {
                EXPECT_EQ(target.Dword(), prior.recorded);
            }
            ExpectSaved(row, prior.recorded);
        }
    }
}

TEST_P(DwordTweak, RestoreWithoutSavedStateLeavesTheTargetAlone) {
    const Row& row = GetParam();
    const Value target = TargetOf(row);
    target.MakeMissing();
    CTweakBase* tweak = Build();
    ASSERT_NE(tweak, nullptr);

    int64_t before = LastChange();
    EXPECT_EQ(tweak->Restore(), 0);
    EXPECT_EQ(tweak->Disable(), 0);
    EXPECT_FALSE(target.Read());
    EXPECT_EQ(LastChange(), before);

    ASSERT_EQ(tweak->Enable(), 0);
    before = LastChange();
    EXPECT_EQ(tweak->Disable(), 0);
    EXPECT_EQ(tweak->Restore(), 0);
    EXPECT_EQ(target.Dword(), row.enabled);
    EXPECT_EQ(LastChange(), before);
}

INSTANTIATE_TEST_SUITE_P(All, DwordTweak, testing::ValuesIn(kRows), RowName);

// Held-open tweaks whose key nothing in the catalogue creates.
class HeldOpenTweak : public DwordTweak {};

TEST_P(HeldOpenTweak, KeyMissingAtConstructionStaysUnreachable) {
    const Row& row = GetParam();
    const Value target = TargetOf(row);
    target.DeleteKey();
    CTweakBase* tweak = Build();
    ASSERT_NE(tweak, nullptr);
    EXPECT_FALSE(target.KeyExists());

    // Another program creates the key afterwards; this tweak object never sees it.
    target.SetDword(row.enabled);
    EXPECT_EQ(tweak->IsEnabled(), 0);
    EXPECT_EQ(tweak->Enable(), 2002);
    EXPECT_EQ(tweak->Backup(), 0);
    ExpectSaved(row, kAbsent);
    EXPECT_EQ(tweak->Restore(), 0);
    EXPECT_EQ(target.Dword(), row.enabled);

    // A saved number that cannot be written back is reported.
    SavedOf(row).SetDword(row.enabled + 1);
    EXPECT_EQ(tweak->Restore(), 2002);
    EXPECT_EQ(tweak->Disable(), 2002);
    EXPECT_EQ(target.Dword(), row.enabled);
}

INSTANTIATE_TEST_SUITE_P(All, HeldOpenTweak, testing::ValuesIn(RowsWhere([](const Row& r) {
                             return r.access == A::HeldOpen && !KeyCreatedByCatalogue(r);
                         })),
                         RowName);

// Tweaks that hold their key and create it when the catalogue is built.
class CreatingTweak : public DwordTweak {};

TEST_P(CreatingTweak, CatalogueCreatesTheKeyOnAnyDeviceWithoutWritingValues) {
    const Row& row = GetParam();
    const Value target = TargetOf(row);
    target.DeleteKey();
    dev_.SetPlatform("Other");
    const int64_t before = LastChange();
    CTweakBase* tweak = Build();
    ASSERT_NE(tweak, nullptr);
    EXPECT_TRUE(target.KeyExists());
    for (const ce::Change& change : ce::CurrentDevice().Changes(before)) {
        if (target.IsKeyOf(change)) {
            EXPECT_EQ(change.kind, ce::Change::kCreateKey);
        }
    }
    EXPECT_EQ(tweak->Enable(), 0);
    EXPECT_EQ(target.Dword(), row.enabled);
}

INSTANTIATE_TEST_SUITE_P(All, CreatingTweak, testing::ValuesIn(RowsWhere([](const Row& r) {
                             return r.access == A::HeldCreate || r.access == A::Mixed;
                         })),
                         RowName);

// Tweaks that hold a key object: a key deleted under it makes writes fail.
class HoldingTweak : public DwordTweak {};

TEST_P(HoldingTweak, RestoreReportsAWriteThatFails) {
    const Row& row = GetParam();
    const Value target = TargetOf(row);
    target.SetDword(row.enabled + 1);
    CTweakBase* tweak = Build();
    ASSERT_NE(tweak, nullptr);
    ASSERT_EQ(tweak->Backup(), 0);
    ExpectSaved(row, row.enabled + 1);

    target.DeleteKey();
    EXPECT_EQ(tweak->Enable(), 2002);
    EXPECT_EQ(tweak->Restore(), 2002);
    EXPECT_EQ(tweak->Disable(), 2002);
    EXPECT_FALSE(target.KeyExists());

    // Deleting a value that is no longer reachable is no failure.
    SavedOf(row).SetDword(kAbsent);
    EXPECT_EQ(tweak->Restore(), 0);
    EXPECT_EQ(tweak->Disable(), 0);
}

INSTANTIATE_TEST_SUITE_P(All, HoldingTweak, testing::ValuesIn(RowsWhere([](const Row& r) {
                             return r.access != A::PerCall;
                         })),
                         RowName);

// Tweaks that open their key for each operation.
class PerCallTweak : public DwordTweak {};

TEST_P(PerCallTweak, OnlyWritesCreateTheKey) {
    const Row& row = GetParam();
    const Value target = TargetOf(row);
    target.DeleteKey();
    CTweakBase* tweak = Build();
    ASSERT_NE(tweak, nullptr);

    EXPECT_EQ(tweak->IsEnabled(), 0);
    EXPECT_EQ(tweak->Backup(), 0);
    ExpectSaved(row, kAbsent);
    EXPECT_EQ(tweak->Restore(), 0);
    EXPECT_FALSE(target.KeyExists());

    EXPECT_EQ(tweak->Enable(), 0);
    EXPECT_EQ(target.Dword(), row.enabled);
    EXPECT_EQ(tweak->Disable(), 0);
    EXPECT_FALSE(target.Read());
    EXPECT_TRUE(target.KeyExists());

    // A saved number is written back into a key that has gone meanwhile.
    SavedOf(row).SetDword(row.enabled + 1);
    target.DeleteKey();
    EXPECT_EQ(tweak->Restore(), 0);
    EXPECT_EQ(target.Dword(), row.enabled + 1);
}

INSTANTIATE_TEST_SUITE_P(All, PerCallTweak, testing::ValuesIn(RowsWhere([](const Row& r) {
                             return r.access == A::PerCall;
                         })),
                         RowName);

// On a device with nothing but the root keys, the catalogue creates the keys of the creating
// tweaks; a held-open tweak reaches its key only when one of those created it first.
TEST(DwordTweaks, CatalogueOnAnEmptyDevice) {
    test::TempDevice dev({}, false);
    CTweakersFactory factory;
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.cls);
        CTweakBase* tweak = factory.GetTweakByID(CWideString(row.id));
        ASSERT_NE(tweak, nullptr);
        const Value target = TargetOf(row);
        switch (row.access) {
            case A::HeldCreate:
            case A::Mixed:
                EXPECT_TRUE(target.KeyExists());
                EXPECT_EQ(tweak->Enable(), 0);
                break;
            case A::HeldOpen:
                EXPECT_EQ(tweak->Enable(), KeyCreatedByCatalogue(row) ? 0 : 2002);
                break;
            case A::PerCall:
                EXPECT_FALSE(target.KeyExists());
                EXPECT_EQ(tweak->Enable(), 0);
                break;
        }
    }
    EXPECT_TRUE(Value(HKEY_CLASSES_ROOT, u"exefile", u"").KeyExists());
    EXPECT_TRUE(Value(HKEY_CLASSES_ROOT, u"zipfile", u"").KeyExists());
    EXPECT_TRUE(Value(HKEY_CURRENT_USER, u"ControlPanel\\Phone", u"ShowSim").Dword() == 0u);
}

TEST(DwordTweaks, MmsVideoRulesFollowTheOsVersion) {
    struct Case {
        const char* platform;
        uint32_t major, minor;
        bool older, newer;
    };
    const Case cases[] = {
        {"SmartPhone", 3, 0, false, false}, {"SmartPhone", 4, 20, true, false},
        {"SmartPhone", 4, 21, true, false}, {"SmartPhone", 5, 2, true, false},
        {"SmartPhone", 6, 1, false, true},  {"SmartPhone", 7, 0, false, false},
        {"PocketPC", 3, 0, false, false},   {"PocketPC", 4, 20, false, true},
        {"PocketPC", 5, 1, false, true},    {"PocketPC", 6, 5, false, true},
        {"PocketPC", 7, 0, false, false},   {"Other", 6, 0, false, false},
    };
    test::TempDevice dev;
    CTweakersFactory factory;
    CTweakBase* older = factory.GetTweakByID(
        CWideString(u"CMMSVideoIn176x144_EACD3478-6E68-4fc9-8DEF-860DC5F6B6E2}"));
    CTweakBase* newer = factory.GetTweakByID(
        CWideString(u"CMMSVideoIn176x144New_C2435CF0-11CB-4109-92F9-738538EBA2A8}"));
    ASSERT_NE(older, nullptr);
    ASSERT_NE(newer, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.platform << " " << c.major << "." << c.minor);
        dev.SetPlatform(c.platform);
        dev.SetOsVersion(c.major, c.minor);
        EXPECT_EQ(older->IsSupported(), c.older ? 1 : 0);
        EXPECT_EQ(newer->IsSupported(), c.newer ? 1 : 0);
    }
}

}  // namespace
