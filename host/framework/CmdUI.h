// The state of one command as its update handler sets it. The base records the answer; a menu
// variant also applies it to the menu item.
#pragma once

#include <windows.h>

class CCmdUI {
public:
    explicit CCmdUI(UINT id) : m_nID(id) {}
    virtual ~CCmdUI() = default;

    virtual void Enable(bool enable = true) { m_enabled = enable; }
    virtual void SetCheck(bool check = true) { m_checked = check; }

    UINT m_nID;
    bool m_enabled = true;
    bool m_checked = false;
};

// Applies the update handler's answer to an item of a menu.
class CMenuCmdUI : public CCmdUI {
public:
    CMenuCmdUI(HMENU menu, UINT index, UINT id) : CCmdUI(id), m_menu(menu), m_index(index) {}

    void Enable(bool enable = true) override;
    void SetCheck(bool check = true) override;

private:
    HMENU m_menu;
    UINT m_index;
};
