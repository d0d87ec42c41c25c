#include "framework/CmdUI.h"

void CMenuCmdUI::Enable(bool enable)
{
    CCmdUI::Enable(enable);
    EnableMenuItem(m_menu, m_index, MF_BYPOSITION | (enable ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
}

void CMenuCmdUI::SetCheck(bool check)
{
    CCmdUI::SetCheck(check);
    CheckMenuItem(m_menu, m_index, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
}
