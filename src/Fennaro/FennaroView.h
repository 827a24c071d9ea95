// CFennaroView: the application's working screen, a child dialog over the main frame's client
// area. The user picks a category and a tweak, reads its description and ticks "Enable" and
// "Create toggle shortcut"; the ticks change only the item's pending flags until ApplyAll.
//
// The view owns the tweak factory and one item per tweak, built with the object, before any
// window exists. After every change of selection a focus timer (id 123, 100 ms) puts the focus
// back on the picker last used, once the platform's own focus handling is over.
#pragma once

#include <CeFramework/Dialog.h>
#include <Lorrimek/TweakersFactory.h>

#include <list>
#include <memory>

#include "TweakViewItem.h"
#include "resource.h"

class CFennaroView : public CDialogImpl<CFennaroView> {
public:
    enum { IDD = IDD_FENNARO_FORM };

    // Builds the catalogue, writes the install role, takes the first backup of every tweak not
    // yet backed up, and makes one item per tweak from the device's state.
    CFennaroView();
    ~CFennaroView() override;
    CFennaroView(const CFennaroView&) = delete;
    CFennaroView& operator=(const CFennaroView&) = delete;

    // The view's dialog keys, for the frame's message filter.
    BOOL PreTranslateMessage(MSG* pMsg) { return IsDialogMessage(pMsg); }

    // Applies every pending change (see ApplyAllItems), the boxes owned by the view; true when
    // every tweak applied without error.
    bool ApplyAll();
    // Asks, restores every tweak on Yes (see RestoreAllItems), and whatever the answer refills
    // the tweak picker, which then shows the category's first tweak.
    void RestoreAll();

    // Adds an item after the catalogue's, owned by the view like them; before the window is
    // created, so that the pickers show it. Returns the item.
    CTweakViewItem& AddItem(std::unique_ptr<CTweakViewItem> item) {
        return *m_items.emplace_back(std::move(item));
    }

    BEGIN_MSG_MAP(CFennaroView)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
    COMMAND_HANDLER(IDC_CATEGORY, CBN_SELCHANGE, OnCategoryChange)
    COMMAND_HANDLER(IDC_TWEAK, CBN_SELCHANGE, OnTweakChange)
    COMMAND_HANDLER(IDC_ENABLE, BN_CLICKED, OnEnableClick)
    COMMAND_HANDLER(IDC_SHORTCUT, BN_CLICKED, OnShortcutClick)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
    LRESULT OnCategoryChange(WORD, WORD, HWND, BOOL&);
    LRESULT OnTweakChange(WORD, WORD, HWND, BOOL&);
    LRESULT OnEnableClick(WORD, WORD, HWND, BOOL&);
    LRESULT OnShortcutClick(WORD, WORD, HWND, BOOL&);

    // The items in their order, for the passes.
    CTweakViewItemList Items() const;
    void FillCategories();
    void FillTweaks();
    void ShowTweak();
    // The item of the tweak picker's selection, or null.
    CTweakViewItem* SelectedItem();
    // Focuses `target` 100 ms from now (a running focus timer starts again).
    void StartFocusTimer(HWND target);
    // Widens a control so that its right edge lies 3 pixels left of the screen's right edge.
    void WidenToScreen(HWND control);

    // Makes a drop-down list open `rows` rows high (1 to 7).
    static void SetDropHeight(HWND picker, int rows);
    // The description box's key filter: Up within the first line leaves the box.
    static LRESULT CALLBACK DescriptionKeyFilter(HWND hwnd, UINT message, WPARAM wParam,
                                                 LPARAM lParam);

    CTweakersFactory m_factory;
    // One per tweak of the factory, in catalogue order, and any added after them.
    std::list<std::unique_ptr<CTweakViewItem>> m_items;
    HWND m_categoryPicker = nullptr;
    HWND m_tweakPicker = nullptr;
    HWND m_enableBox = nullptr;
    HWND m_shortcutBox = nullptr;
    HWND m_descriptionBox = nullptr;
    HWND m_focusTarget = nullptr;
    UINT_PTR m_focusTimer = 0;
};
