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

    CTweakBase* GetTweak() const { return m_tweak; }
    CWideString GetName() const { return m_tweak->GetName(); }
    CWideString GetDescription() const { return m_tweak->GetDescription(); }
    int GetCategory() const { return m_tweak->GetCategory(); }
    BOOL IsSupported() { return m_tweak->IsSupported(); }
    BOOL Configure() { return m_tweak->Configure(); }
    BOOL SupportsToggleShortcut() { return m_tweak->SupportsToggleShortcut(); }
    BOOL HasEnableOption() { return m_tweak->HasEnableOption(); }
    BOOL HasConfiguration() { return m_tweak->HasConfiguration(); }

    bool GetPendingEnable() const { return m_pendingEnable; }
    void SetPendingEnable(bool enable) { m_pendingEnable = enable; }
    bool GetPendingShortcut() const { return m_pendingShortcut; }
    void SetPendingShortcut(bool shortcut) { m_pendingShortcut = shortcut; }
    // The tweak's NeedsRestart answer after its last successful enable or disable.
    bool GetNeedsRestart() const { return m_needsRestart; }

    // Brings the tweak to the pending state (Enable or Disable only when the device differs from
    // it, and only once the tweak's first backup is done), then the shortcut file to the pending
    // shortcut flag, even when the first step failed. Returns the backup's code when it failed,
    // else the Enable or Disable code, 0 when none was needed; shortcut failures are silent.
    int ApplyChanges();
    // The tweak's Restore; the pending enable flag then follows the device. Returns Restore's code.
    int RestoreTweak();

private:
    CTweakBase* m_tweak;
    bool m_pendingEnable;
    bool m_pendingShortcut;
    bool m_needsRestart;
};

// Items as the apply and restore passes take them, in the order they are worked through; whoever
// made them owns them (the view owns its own).
typedef std::list<CTweakViewItem*> CTweakViewItemList;
