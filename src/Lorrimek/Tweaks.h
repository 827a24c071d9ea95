// Creation functions of the tweak classes, one per class, each defined in the source named
// after its class. Each returns a new tweak (owned by the caller) with the given ID.
#pragma once

#include <Lorrimek/TweakBase.h>
#include <Lorrimek/WideString.h>

// Every class of the catalogue, by name.
CTweakBase* CreateCAlarm(const CWideString& id);
CTweakBase* CreateCAlarmClock(const CWideString& id);
CTweakBase* CreateCAllowDownloadOfEXEFiles(const CWideString& id);
CTweakBase* CreateCAllowDownloadOfZIPFiles(const CWideString& id);
CTweakBase* CreateCBigSMSfonts(const CWideString& id);
CTweakBase* CreateCBluetoothAudio(const CWideString& id);
CTweakBase* CreateCBluetoothBeam(const CWideString& id);
CTweakBase* CreateCBluetoothToggle(const CWideString& id);
CTweakBase* CreateCCallHistoryMaxTweak(const CWideString& id);
CTweakBase* CreateCCallInititateSound(const CWideString& id);
CTweakBase* CreateCCameraDateFolderFix(const CWideString& id);
CTweakBase* CreateCChangeRingtones(const CWideString& id);
CTweakBase* CreateCCheckBattery(const CWideString& id);
CTweakBase* CreateCDisable3GPlimitPocketPC(const CWideString& id);
CTweakBase* CreateCDisable3GPlimitSmartphone(const CWideString& id);
CTweakBase* CreateCDisableMenuAnimations(const CWideString& id);
CTweakBase* CreateCDisableSecurityWarning(const CWideString& id);
CTweakBase* CreateCDisableUSBcharging(const CWideString& id);
CTweakBase* CreateCEdgeIconFix(const CWideString& id);
CTweakBase* CreateCEnable320x240videoRec(const CWideString& id);
CTweakBase* CreateCEnable4WAYNavi(const CWideString& id);
CTweakBase* CreateCEnableObexTweak(const CWideString& id);
CTweakBase* CreateCEnableRoamingIndicator(const CWideString& id);
CTweakBase* CreateCForceAskInstallLocation(const CWideString& id);
CTweakBase* CreateCForceAskOverwrite(const CWideString& id);
CTweakBase* CreateCForcePassThrough(const CWideString& id);
CTweakBase* CreateCGoogleMobileSearch(const CWideString& id);
CTweakBase* CreateCGoogleWelcomePage(const CWideString& id);
CTweakBase* CreateCGridViewToggle(const CWideString& id);
CTweakBase* CreateCGridViewToggleCingular(const CWideString& id);
CTweakBase* CreateCHideLabels(const CWideString& id);
CTweakBase* CreateCHideSIMcontacts(const CWideString& id);
CTweakBase* CreateCImproveMemoryManagement(const CWideString& id);
CTweakBase* CreateCKillBootUpMelody(const CWideString& id);
CTweakBase* CreateCKillKeyPressSound(const CWideString& id);
CTweakBase* CreateCLoopingAlarm(const CWideString& id);
CTweakBase* CreateCLoopingRingtone(const CWideString& id);
CTweakBase* CreateCMMSVideoIn176x144(const CWideString& id);
CTweakBase* CreateCMMSVideoIn176x144New(const CWideString& id);
CTweakBase* CreateCPreventCABfileDeletation(const CWideString& id);
CTweakBase* CreateCRealtimeDefrag(const CWideString& id);
CTweakBase* CreateCSetMMSSizeToMAX(const CWideString& id);
CTweakBase* CreateCShowRemindersOnceOnly(const CWideString& id);
CTweakBase* CreateCSilenceCameraShutter(const CWideString& id);
CTweakBase* CreateCSilenceMenuCommandSound(const CWideString& id);
CTweakBase* CreateCSilenceMenuSelectSound(const CWideString& id);
CTweakBase* CreateCSMSDeliveryNotification(const CWideString& id);
CTweakBase* CreateCSortStartMenuAlphabeticalyTweak(const CWideString& id);
CTweakBase* CreateCSpeedBoostTweak(const CWideString& id);
CTweakBase* CreateCSpeedMenuOffTweak(const CWideString& id);
CTweakBase* CreateCSpeedUpSMSTyping(const CWideString& id);
CTweakBase* CreateCSpeedUpWiFiSurfing(const CWideString& id);
CTweakBase* CreateCStartMenuScrollBarSupport(const CWideString& id);
CTweakBase* CreateCStoreIECasheToSD(const CWideString& id);
CTweakBase* CreateCStoreRingtonesOnSD(const CWideString& id);
CTweakBase* CreateCTrueSMSDelete(const CWideString& id);
CTweakBase* CreateCTurnOff(const CWideString& id);
CTweakBase* CreateCTurnOffSMSSentTweak(const CWideString& id);
CTweakBase* CreateCTwinSIMswitch(const CWideString& id);
CTweakBase* CreateCUnlimitedMMSRecording(const CWideString& id);
CTweakBase* CreateCUtilitySoftRestart(const CWideString& id);
CTweakBase* CreateCWiFiAndPhoneOn(const CWideString& id);
