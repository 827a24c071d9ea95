#include <Lorrimek/TweakersFactory.h>

#include "Tweaks.h"

namespace {

// Every tweak class with its ID, in the order the factory creates them. The IDs are used
// exactly as written, never normalised.
struct SCatalogueEntry {
    LPCWSTR id;
    CTweakBase* (*create)(const CWideString& id);
};

const SCatalogueEntry kCatalogue[] = {
    {u"CSpeedBoostTweak_BE008CAD-DA8C-427a-87B3-2EB885AC01A8", CreateCSpeedBoostTweak},
    {u"CCallHistoryMaxTweak_F7D4D4BF-0C2B-45b9-A276-D7DA49F3325B", CreateCCallHistoryMaxTweak},
    {u"CSpeedMenuOffTweak_B568E46D-0D7D-4986-930E-630253875D45", CreateCSpeedMenuOffTweak},
    {u"CEnableObexTweak_2921DFB6-657D-4158-A5A5-52AFEC5F23E6", CreateCEnableObexTweak},
    {u"CTurnOffSMSSentTweak_4B31AFCA-FBB5-47a8-80E7-9CE99F390A64", CreateCTurnOffSMSSentTweak},
    {u"CSortStartMenuAlphabeticalyTweak_07BD220D-EB65-443a-B28A-29FE2BC2159F",
     CreateCSortStartMenuAlphabeticalyTweak},
    {u"CBluetoothToggle_FF5AC5F3-C25B-4f00-9063-9338C350B542", CreateCBluetoothToggle},
    {u"CCallInititateSound_E08BF7D3-441B-4d29-B8C3-FB941A8A0129", CreateCCallInititateSound},
    {u"CTrueSMSDelete_42B9B83E-4A28-4907-ACD5-883A924EFCA6", CreateCTrueSMSDelete},
    {u"CHideLabels_8313F0B-7D04-4768-A045-7C0B6321EE23", CreateCHideLabels},
    {u"CStartMenuScrollBarSupport_EE8E23D0-9AC8-49e4-94B3-B502882B6FA5",
     CreateCStartMenuScrollBarSupport},
    {u"CGridViewToggle_468EEAE5-0A21-435a-870D-1120CAAF0DDA", CreateCGridViewToggle},
    {u"CEnable320x240videoRec_68D904E1-E87E-4590-91C5-E6BA3FC02CCB", CreateCEnable320x240videoRec},
    {u"CSpeedUpSMSTyping_AA0BA23C-2CAF-486f-806E-12021807BE04}", CreateCSpeedUpSMSTyping},
    {u"CGoogleMobileSearch_10E99D0-345D-4b80-A754-0C9D578F83D3}", CreateCGoogleMobileSearch},
    {u"CGoogleWelcomePage_34BC386B-FEDF-4246-B996-CE3BB01E5C41}", CreateCGoogleWelcomePage},
    {u"CEnable4WAYNavi_460DF865-E8BA-44e0-B90F-8E860D81D382}", CreateCEnable4WAYNavi},
    {u"CDisableUSBcharging_B9DE3184-9C6B-4c4d-9934-F835B1C62D88}", CreateCDisableUSBcharging},
    {u"CForcePassThrough_ECB4C370-A2E0-4a00-B64F-6E366E04DC9C}", CreateCForcePassThrough},
    {u"CPreventCABfileDeletation_FEB21E1E-1AE5-4163-9CCB-73FFBFD5ECD6}",
     CreateCPreventCABfileDeletation},
    {u"CSilenceMenuSelectSound_04604395-4C07-4862-AC62-303E9852F39D}",
     CreateCSilenceMenuSelectSound},
    {u"CSilenceMenuCommandSound_83FF5D36-93B8-4807-946B-AA41700D63BF}",
     CreateCSilenceMenuCommandSound},
    {u"CAllowDownloadOfEXEFiles_8E5CD2F3-B8E3-4388-AC4A-E3765A0F800E}",
     CreateCAllowDownloadOfEXEFiles},
    {u"CAllowDownloadOfZIPFiles_F36A3247-7E27-46aa-B915-2C0E211EEDA5}",
     CreateCAllowDownloadOfZIPFiles},
    {u"CGridViewToggleCingular_8CF6AB04-9ABE-40d9-A698-EA3A3F04B90D}",
     CreateCGridViewToggleCingular},
    {u"CSetMMSSizeToMAX_CB3D39F4-41F1-4b87-9E2B-FF7F5138C0C9}", CreateCSetMMSSizeToMAX},
    {u"CEdgeIconFix_77DDE218-0C69-4d73-A0CB-CC1F04E5A19F}", CreateCEdgeIconFix},
    {u"CCameraDateFolderFix_9A197941-5AB5-4749-9A34-7F899A0A880D}", CreateCCameraDateFolderFix},
    {u"CHideSIMcontacts_6B2FC103-4960-4f2a-A505-0EE3C9E6FB8D}", CreateCHideSIMcontacts},
    {u"CStoreRingtonesOnSD_61F24F9B-8E20-479b-BF7A-660C584FD6B6}", CreateCStoreRingtonesOnSD},
    {u"CShowRemindersOnceOnly_81D569C1-4639-4349-88B1-DE000EC4120D}", CreateCShowRemindersOnceOnly},
    {u"CSMSDeliveryNotification_33983983-BBD7-48a5-ACEF-2EBA4A4F70C7}",
     CreateCSMSDeliveryNotification},
    {u"CForceAskInstallLocation_89D73B1-468F-44d0-9635-500C6AB53957}",
     CreateCForceAskInstallLocation},
    {u"CForceAskOverwrite_E5913B4B-4A27-4f8b-8849-04EAC7999C0D}", CreateCForceAskOverwrite},
    {u"CRealtimeDefrag_189C85FA-A530-4894-A943-F383BFEC3645}", CreateCRealtimeDefrag},
    {u"CBigSMSfonts_55A8809E-047C-46b1-91E9-E5C065CE898F}", CreateCBigSMSfonts},
    {u"CMMSVideoIn176x144_EACD3478-6E68-4fc9-8DEF-860DC5F6B6E2}", CreateCMMSVideoIn176x144},
    {u"CMMSVideoIn176x144New_C2435CF0-11CB-4109-92F9-738538EBA2A8}", CreateCMMSVideoIn176x144New},
    {u"CUnlimitedMMSRecording_78F3658F-D733-43b6-AE88-DBB5233D72CA}", CreateCUnlimitedMMSRecording},
    {u"CDisableSecurityWarning_A75D8199-1F73-4e88-953B-ED15EDE71515}",
     CreateCDisableSecurityWarning},
    {u"CStoreIECasheToSD_638B6C14-EA92-4374-BE70-C424E066F96B}", CreateCStoreIECasheToSD},
    {u"CLoopingAlarm_BC44F726-1560-4ef1-BFBA-E32FF425EFAA}", CreateCLoopingAlarm},
    {u"CLoopingRingtone_C617E5C6-1F68-403f-99A8-56C11110727F}", CreateCLoopingRingtone},
    {u"CSpeedUpWiFiSurfing_7D59CFED-2243-48e5-879E-E716E693669C}", CreateCSpeedUpWiFiSurfing},
    {u"CKillBootUpMelody_9FFF95A2-4C90-4f67-816B-3F5087E91AC}", CreateCKillBootUpMelody},
    {u"CKillKeyPressSound_615E4C01-639D-4281-B93E-5F30E0E40EE7}", CreateCKillKeyPressSound},
    {u"CSilenceCameraShutter_356913BE-BE19-45fc-BEB4-D6C422589C5B}", CreateCSilenceCameraShutter},
    {u"CImproveMemoryManagement_A7ACB54E-4F5F-41fe-B65B-075BAD08D7C0}",
     CreateCImproveMemoryManagement},
    {u"CEnableRoamingIndicator_840D0086-36E0-49dc-A50C-0BCAF28358F0}",
     CreateCEnableRoamingIndicator},
    {u"CTwinSIMswitch_AA780C13-307C-446c-8A17-2975F7D82104}", CreateCTwinSIMswitch},
    {u"CDisable3GPlimitSmartphone_A59925AC-FE16-4386-925D-AFE515A03EFA}",
     CreateCDisable3GPlimitSmartphone},
    {u"CDisable3GPlimitPocketPC_8B226014-AFCD-4ea0-96DF-C4166B3AA3F9}",
     CreateCDisable3GPlimitPocketPC},
    {u"CDisableMenuAnimations_5873CE74-4369-487b-99F1-85CCABEDC2EC}", CreateCDisableMenuAnimations},
    {u"CAlarmClock_F932B26B-BC19-4bc8-96EA-3CC95117ACFF}", CreateCAlarmClock},
    {u"CAlarm_87DC31FA-6F5F-4274-98D9-6E1516A33193}", CreateCAlarm},
    {u"CBluetoothBeam_C076B463-8D8D-4e7e-9BC5-A31BDF22B65F}", CreateCBluetoothBeam},
    {u"CChangeRingtones_2AACF3D0-27B7-4033-BA5B-59D5533C6FC0}", CreateCChangeRingtones},
    {u"CCheckBattery_95BE8135-5609-4cc5-B213-358F61455C8B}", CreateCCheckBattery},
    {u"CUtilitySoftRestart_4F3F3A25-BA53-4b40-9ABB-308BC2E2B02A}", CreateCUtilitySoftRestart},
    {u"CBluetoothAudio_A85E1B75-E5C2-44f5-B080-3E0A7384ABAF}", CreateCBluetoothAudio},
    {u"CTurnOff_45EA3902-34F8-4623-A0FC-831EC6844550}", CreateCTurnOff},
    {u"CWiFiAndPhoneOn_ED63740B-8C5E-43aa-9EA9-A6E8B1A76E18}", CreateCWiFiAndPhoneOn},
};

}  // namespace

CTweakersFactory::CTweakersFactory() {
    for (const SCatalogueEntry& entry : kCatalogue) {
        CTweakBase* tweak = nullptr;
        try {
            tweak = entry.create(CWideString(entry.id));
            if (tweak != nullptr) m_tweaks.push_back(tweak);
        } catch (...) {
            // A tweak that cannot be created (or listed) is left out.
            delete tweak;
        }
    }
}

CTweakersFactory::~CTweakersFactory() {
    for (CTweakBase* tweak : m_tweaks) delete tweak;
}

const std::list<CTweakBase*>& CTweakersFactory::GetAllTweaks() const { return m_tweaks; }

CTweakBase* CTweakersFactory::GetTweakByID(const CWideString& id) const {
    for (CTweakBase* tweak : m_tweaks) {
        if (tweak->GetID() == id) return tweak;
    }
    return nullptr;
}

bool CTweakersFactory::DoBackupIfNeeded() {
    bool allDone = true;
    for (CTweakBase* tweak : m_tweaks) {
        try {
            if (tweak->DoBackupIfNeeded() != kTweakOk) allDone = false;
        } catch (...) {
            allDone = false;
        }
    }
    return allDone;
}
