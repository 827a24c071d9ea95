#include "TweakViewItem.h"

#include "ToggleShortcuts.h"

CTweakViewItem::CTweakViewItem(CTweakBase* tweak)
    : m_tweak(tweak),
      m_pendingEnable(tweak->IsEnabled() != FALSE),
      m_pendingShortcut(ToggleShortcutExists(tweak)),
      m_needsRestart(false) {}

int CTweakViewItem::ApplyChanges() {
    int code = kTweakOk;
    if ((m_tweak->IsEnabled() != FALSE) != m_pendingEnable) {
        // Its original state must be saved before the tweak is changed: a backup that failed at
        // start-up is tried again, and while it fails the tweak is left as it is.
        code = m_tweak->DoBackupIfNeeded();
        if (code == kTweakOk) code = m_pendingEnable ? m_tweak->Enable() : m_tweak->Disable();
        if (code == kTweakOk) m_needsRestart = m_tweak->NeedsRestart() != FALSE;
    }
    if (ToggleShortcutExists(m_tweak) != m_pendingShortcut) {
        if (m_pendingShortcut) {
            CreateToggleShortcut(m_tweak);
        } else {
            RemoveToggleShortcut(m_tweak);
        }
    }
    return code;
}

int CTweakViewItem::RestoreTweak() {
    const int code = m_tweak->Restore();
    m_pendingEnable = m_tweak->IsEnabled() != FALSE;
    return code;
}
