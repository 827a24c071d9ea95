#include "TweakViewItem.h"

#include "ToggleShortcuts.h"

CTweakViewItem::CTweakViewItem(CTweakBase* tweak)
    : m_pTweak(tweak),
      m_bPendingEnable(tweak->IsEnabled() != FALSE),
      m_bPendingShortcut(ToggleShortcutExists(tweak)),
      m_bNeedsRestart(false) {}

int CTweakViewItem::ApplyChanges() {
    int code = kTweakOk;
    if ((m_pTweak->IsEnabled() != FALSE) != m_bPendingEnable) {
        code = m_bPendingEnable ? m_pTweak->Enable() : m_pTweak->Disable();
        if (code == kTweakOk) m_bNeedsRestart = m_pTweak->NeedsRestart() != FALSE;
    }
    if (ToggleShortcutExists(m_pTweak) != m_bPendingShortcut) {
        if (m_bPendingShortcut) {
            CreateToggleShortcut(m_pTweak);
        } else {
            RemoveToggleShortcut(m_pTweak);
        }
    }
    return code;
}

int CTweakViewItem::RestoreTweak() {
    const int code = m_pTweak->Restore();
    m_bPendingEnable = m_pTweak->IsEnabled() != FALSE;
    return code;
}
