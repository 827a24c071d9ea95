#include "Startup.h"

#include <CeFramework/App.h>
#include <Lorrimek/TweakersFactory.h>
#include <commctrl.h>

#include <memory>
#include <new>
#include <string>

#include "InfoDlg.h"
#include "MainFrame.h"
#include "TextFormat.h"
#include "resource.h"

namespace {

constexpr int kInfoTimeoutMs = 2000;
constexpr int kInstanceAttempts = 25;
constexpr DWORD kInstanceRetryMs = 100;

}  // namespace

EToggleOutcome ToggleTweakByID(const CWideString& id, int* errorCode, CWideString* name) {
    *errorCode = kTweakOk;
    *name = CWideString();
    std::unique_ptr<CTweakersFactory> factory(new (std::nothrow) CTweakersFactory);
    CTweakBase* tweak = factory ? factory->GetTweakByID(id) : nullptr;
    if (tweak == nullptr) return kToggleInvalidID;
    *name = tweak->GetName();
    // Without its first backup the tweak's original state would be lost: it is not changed then.
    const int backup = tweak->DoBackupIfNeeded();
    if (tweak->IsEnabled()) {
        *errorCode = backup != kTweakOk ? backup : tweak->Disable();
        return *errorCode == kTweakOk ? kToggleDisabled : kToggleDisableFailed;
    }
    *errorCode = backup != kTweakOk ? backup : tweak->Enable();
    return *errorCode == kTweakOk ? kToggleEnabled : kToggleEnableFailed;
}

CWideString ToggleMessage(EToggleOutcome outcome, int errorCode, const CWideString& name) {
    const std::u16string tweakName(name.View());
    std::u16string text;
    switch (outcome) {
        case kToggleEnabled:
            text = u"Tweak " + tweakName + u" enabled";
            break;
        case kToggleDisabled:
            text = u"Tweak " + tweakName + u" disabled";
            break;
        case kToggleEnableFailed:
            text = u"Tweak not enabled. Error code:" + Decimal(errorCode);
            break;
        case kToggleDisableFailed:
            text = u"Tweak not disabled. Error code:" + Decimal(errorCode);
            break;
        case kToggleInvalidID:
            text = u"Error. Invalid tweak ID";
            break;
    }
    return CWideString(std::u16string_view(text));
}

void RunCommandLineToggle(const CWideString& id) {
    int errorCode = kTweakOk;
    CWideString name;
    const EToggleOutcome outcome = ToggleTweakByID(id, &errorCode, &name);
    CInfoDlg info(ToggleMessage(outcome, errorCode, name), kInfoTimeoutMs);
    info.DoModal(GetActiveWindow());
}

CWideString LoadWindowName(HINSTANCE instance) {
    WCHAR name[MAX_PATH] = {};
    if (LoadStringW(instance, IDR_MAINFRAME, name, MAX_PATH) <= 0) name[0] = 0;
    return CWideString(name);
}

HRESULT CheckSingleInstance(const CWideString& windowName) {
    if (windowName.IsEmpty()) return E_FAIL;
    for (int attempt = 0; attempt < kInstanceAttempts; ++attempt) {
        const HANDLE mutex = CreateMutexW(nullptr, FALSE, windowName.GetString());
        const DWORD error = GetLastError();
        if (mutex == nullptr) return error == ERROR_INVALID_HANDLE ? E_INVALIDARG : E_FAIL;
        if (error != ERROR_ALREADY_EXISTS) return S_OK;
        CloseHandle(mutex);
        const HWND running = FindWindowW(windowName.GetString(), nullptr);
        if (running == nullptr) {
            // The other instance may still be creating its window.
            Sleep(kInstanceRetryMs);
            continue;
        }
        // The lowest bit brings the window and the windows it owns forward.
        if (SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(running) | 1))) {
            return kAnotherInstanceBroughtForward;
        }
    }
    return S_OK;
}

int RunUserInterface(HINSTANCE instance, int showCommand, const CWideString& windowName) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);
    CAppModule module;
    module.Init(instance);
    int result = 0;
    {
        CMessageLoop loop;
        module.AddMessageLoop(&loop);
        CMainFrame frame;
        if (frame.CreateFrame(windowName) != nullptr) {
            frame.ShowWindow(showCommand);
            result = loop.Run();
        }
        module.RemoveMessageLoop();
    }
    module.Term();
    CoUninitialize();
    return result;
}
