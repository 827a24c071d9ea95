// CTweakViewItem: what the user wants of one tweak (enabled or not, a toggle shortcut or not)
// until the changes are applied, and whether the tweak asked for a restart. The item points to
// its tweak and never frees it: the factory owns the tweaks.
#pragma once

#include <Lorrimek/TweakBase.h>
#include <Lorrimek/WideString.h>

#include <list>

class CTweakViewItem {
public:
    // Reads the tweak's state (IsEnabled) and its shortcut's presence, once each: they are the
    // pending flags until the user changes them.
    explicit CTweakViewItem(CTweakBase* tweak);
    CTweakViewItem(const CTweakViewItem&) = delete;
    CTweakViewItem& operator=(const CTweakViewItem&) = delete;

    CTweakBase* GetTweak() const { return m_pTweak; }
    CWideString GetName() const { return m_pTweak->GetName(); }
    CWideString GetDescription() const { return m_pTweak->GetDescription(); }
    int GetCategory() const { return m_pTweak->GetCategory(); }
    BOOL IsSupported() { return m_pTweak->IsSupported(); }
    BOOL Configure() { return m_pTweak->Configure(); }
    BOOL SupportsToggleShortcut() { return m_pTweak->SupportsToggleShortcut(); }
    BOOL HasEnableOption() { return m_pTweak->HasEnableOption(); }
    BOOL HasConfiguration() { return m_pTweak->HasConfiguration(); }

    bool GetPendingEnable() const { return m_bPendingEnable; }
    void SetPendingEnable(bool enable) { m_bPendingEnable = enable; }
    bool GetPendingShortcut() const { return m_bPendingShortcut; }
    void SetPendingShortcut(bool shortcut) { m_bPendingShortcut = shortcut; }
    // The tweak's NeedsRestart answer after its last successful enable or disable.
    bool GetNeedsRestart() const { return m_bNeedsRestart; }

    // Brings the tweak to the pending state (Enable or Disable only when the device differs from
    // it), then the shortcut file to the pending shortcut flag, even when the first step failed.
    // Returns the Enable or Disable code, 0 when none was needed; shortcut failures are silent.
    int ApplyChanges();
    // The tweak's Restore; the pending enable flag then follows the device. Returns Restore's code.
    int RestoreTweak();

private:
    CTweakBase* m_pTweak;
    bool m_bPendingEnable;
    bool m_bPendingShortcut;
    bool m_bNeedsRestart;
};

// The view's items, in catalogue order.
typedef std::list<CTweakViewItem*> CTweakViewItemList;
