#include "framework/ProgressCtrl.h"

#include <commctrl.h>

bool CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CreateEx(0, PROGRESS_CLASSW, nullptr, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent->m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CProgressCtrl::SetRange32(int lower, int upper)
{
    SendMessageW(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
}

int CProgressCtrl::SetStep(int step)
{
    return static_cast<int>(SendMessageW(m_hWnd, PBM_SETSTEP, static_cast<WPARAM>(step), 0));
}

int CProgressCtrl::SetPos(int position)
{
    return static_cast<int>(SendMessageW(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(position), 0));
}

int CProgressCtrl::GetPos() const
{
    return static_cast<int>(SendMessageW(m_hWnd, PBM_GETPOS, 0, 0));
}
