#include "BatchOperations.h"

#include <string>

#include "DeviceServices.h"
#include "TextFormat.h"

namespace {

// wParam of the settings change that the device's shell expects after tweaks were applied.
constexpr WPARAM kSettingChangeAll = 0xF2;

const WCHAR kErrorCaption[] = u"Error";
const WCHAR kRestartCaption[] = u"Restart";
const WCHAR kRestartQuestion[] =
    u"At least one Tweak you have selected needs system restart for changes to take effect, "
    u"simply power on/off your phone to apply the settings.\nRestart Now?";
const WCHAR kConfirmationCaption[] = u"Confirmation";
const WCHAR kRestoreQuestion[] =
    u"Are you sure you want to restore all tweaks to the state before software installation?";

// "Error <code> while <doing> tweak <name>."
void ReportFailure(HWND owner, const WCHAR* doing, int code, const CWideString& name) {
    const std::u16string text = u"Error " + Decimal(code) + u" while " + doing + u" tweak " +
                                std::u16string(name.View()) + u".";
    MessageBoxW(owner, text.c_str(), kErrorCaption, MB_OK);
}

}  // namespace

bool ApplyAllItems(HWND owner, const CTweakViewItemList& items) {
    bool success = true;
    bool restartWanted = false;
    for (CTweakViewItem* item : items) {
        const int code = item->ApplyChanges();
        if (code != kTweakOk) {
            ReportFailure(owner, u"applying", code, item->GetName());
            success = false;
        } else {
            restartWanted |= item->GetNeedsRestart();
        }
    }
    SendMessageW(GetDesktopWindow(), WM_SETTINGCHANGE, kSettingChangeAll, 0);
    if (restartWanted && MessageBoxW(owner, kRestartQuestion, kRestartCaption, MB_YESNO) == IDYES) {
        ResetDevice();
    }
    return success;
}

void RestoreAllItems(HWND owner, const CTweakViewItemList& items) {
    if (MessageBoxW(owner, kRestoreQuestion, kConfirmationCaption, MB_YESNO) != IDYES) return;
    for (CTweakViewItem* item : items) {
        const int code = item->RestoreTweak();
        if (code != kTweakOk) ReportFailure(owner, u"restoring", code, item->GetName());
    }
}
