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

int ToggleTweakByID(const CWideString& id, int* errorCode, CWideString* name) {
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

CWideString ToggleMessage(int outcome, int errorCode, const CWideString& name) {
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
        default:
            text = u"Error. Invalid tweak ID";
            break;
    }
    return CWideString(std::u16string_view(text));
}

void RunCommandLineToggle(const CWideString& id) {
    int errorCode = kTweakOk;
    CWideString name;
    const int outcome = ToggleTweakByID(id, &errorCode, &name);
    CInfoDlg info(ToggleMessage(outcome, errorCode, name), kInfoTimeoutMs);
    info.DoModal(GetActiveWindow());
}

HRESULT CheckSingleInstance(HINSTANCE instance) {
    // The frame's class is registered under this name from now on.
    static WCHAR windowName[MAX_PATH];
    if (LoadStringW(instance, IDR_MAINFRAME, windowName, MAX_PATH) <= 0) return E_FAIL;
    CMainFrame::GetWndClassInfo().m_lpszClassName = windowName;
    for (int attempt = 0; attempt < kInstanceAttempts; ++attempt) {
        const HANDLE mutex = CreateMutexW(nullptr, FALSE, windowName);
        const DWORD error = GetLastError();
        if (mutex == nullptr) return error == ERROR_INVALID_HANDLE ? E_INVALIDARG : E_FAIL;
        if (error != ERROR_ALREADY_EXISTS) return S_OK;
        CloseHandle(mutex);
        const HWND running = FindWindowW(windowName, nullptr);
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

int RunUserInterface(HINSTANCE instance, int showCommand) {
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
        if (frame.CreateEx() != nullptr) {
            frame.ShowWindow(showCommand);
            result = loop.Run();
        }
        module.RemoveMessageLoop();
    }
    module.Term();
    CoUninitialize();
    return result;
}
