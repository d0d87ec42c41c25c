#include "framework/FormView.h"

#include "framework/FrameWnd.h"
#include "framework/Resources.h"

#include <algorithm>

bool CFormView::Create(CFrameWnd* frame, UINT id)
{
    m_pFrame = frame;
    HWND hwnd = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(m_templateId), frame->m_hWnd,
                                   &CFormView::FormDialogProc, reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr)
        return false;
    if (m_hWnd != hwnd) {
        ::DestroyWindow(hwnd);
        return false;
    }
    SetWindowLongPtrW(hwnd, GWLP_ID, static_cast<LONG_PTR>(id));
    RECT rect;
    GetWindowRect(hwnd, &rect);
    m_totalSize = {rect.right - rect.left, rect.bottom - rect.top};
    UpdateScrollBars();
    ShowWindow(hwnd, SW_SHOW);
    return true;
}

LRESULT CFormView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            UpdateScrollBars();
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        // Scroll bar controls of the form report their own scrolling; only the view's bars are ours.
        if (lParam == 0) {
            OnScroll(message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam));
            return 0;
        }
        break;
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CFormView::UpdateScrollBars()
{
    if (m_hWnd == nullptr || m_updatingBars || m_totalSize.cx <= 0 || m_totalSize.cy <= 0)
        return;
    m_updatingBars = true;
    // Bars that stay take room the form would need without them: a view grown to the form's size
    // would keep both for ever. So first ask whether the whole view, bars given back, holds the form.
    RECT room;
    GetClientRect(m_hWnd, &room);
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    if (style & WS_VSCROLL)
        room.right += GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL)
        room.bottom += GetSystemMetrics(SM_CYHSCROLL);
    if (room.right >= m_totalSize.cx && room.bottom >= m_totalSize.cy) {
        ScrollTo(POINT{0, 0});
        ShowScrollBar(m_hWnd, SB_BOTH, FALSE);
    }
    // Showing one bar narrows the room for the other: two rounds settle both.
    for (int round = 0; round < 2; ++round) {
        RECT client;
        GetClientRect(m_hWnd, &client);
        POINT to = {std::max(0L, std::min(m_scrollPos.x, m_totalSize.cx - client.right)),
                    std::max(0L, std::min(m_scrollPos.y, m_totalSize.cy - client.bottom))};
        ScrollTo(to);
        SCROLLINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMax = m_totalSize.cx - 1;
        info.nPage = static_cast<UINT>(std::max(0L, client.right));
        info.nPos = m_scrollPos.x;
        SetScrollInfo(m_hWnd, SB_HORZ, &info, TRUE);
        info.nMax = m_totalSize.cy - 1;
        info.nPage = static_cast<UINT>(std::max(0L, client.bottom));
        info.nPos = m_scrollPos.y;
        SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
    }
    m_updatingBars = false;
}

void CFormView::OnScroll(int bar, UINT code)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(m_hWnd, bar, &info))
        return;
    const int line = 16;
    int page = std::max(line, static_cast<int>(info.nPage));
    int pos = info.nPos;
    switch (code) {
    case SB_LINEUP:
        pos -= line;
        break;
    case SB_LINEDOWN:
        pos += line;
        break;
    case SB_PAGEUP:
        pos -= page;
        break;
    case SB_PAGEDOWN:
        pos += page;
        break;
    case SB_TOP:
        pos = info.nMin;
        break;
    case SB_BOTTOM:
        pos = info.nMax;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        pos = info.nTrackPos;
        break;
    default:
        return;
    }
    int last = info.nMax - static_cast<int>(info.nPage) + 1;
    pos = std::max(info.nMin, std::min(pos, std::max(info.nMin, last)));
    POINT to = m_scrollPos;
    (bar == SB_HORZ ? to.x : to.y) = pos;
    ScrollTo(to);
    SetScrollPos(m_hWnd, bar, pos, TRUE);
}

void CFormView::ScrollTo(POINT to)
{
    int dx = m_scrollPos.x - to.x;
    int dy = m_scrollPos.y - to.y;
    if (dx == 0 && dy == 0)
        return;
    m_scrollPos = to;
    ScrollWindowEx(m_hWnd, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

INT_PTR CALLBACK CFormView::FormDialogProc(HWND hwnd, UINT message, WPARAM /*wParam*/, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    // From here on the view's window procedure sees every message first; the dialog manager
    // stays behind it as the default processing.
    auto* view = reinterpret_cast<CFormView*>(lParam);
    if (view == nullptr || !view->SubclassWindow(hwnd))
        return FALSE;
    try {
        view->OnInitDialog();
    } catch (...) {
        OutputDebugStringW(L"Wexlink32: exception in a form's initialisation\n");
    }
    return FALSE;
}

bool CFormView::PreTranslateMessage(MSG& msg)
{
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST)
        return false;
    // The dialog manager would swallow the frame's accelerator keys.
    if (m_pFrame != nullptr && m_pFrame->PreTranslateMessage(msg))
        return true;
    if (GetWindow(m_hWnd, GW_CHILD) == nullptr)
        return false;
    return IsDialogMessageW(m_hWnd, &msg) != FALSE;
}

void CFormView::ResizeParentToFit(bool shrinkOnly)
{
    if (m_pFrame == nullptr || m_pFrame->m_hWnd == nullptr)
        return;
    // The whole view, scroll bars included: with the form fitted they are gone.
    RECT view;
    GetWindowRect(m_hWnd, &view);
    RECT frame;
    GetWindowRect(m_pFrame->m_hWnd, &frame);
    int width = frame.right - frame.left + (m_totalSize.cx - (view.right - view.left));
    int height = frame.bottom - frame.top + (m_totalSize.cy - (view.bottom - view.top));
    if (shrinkOnly) {
        width = std::min(width, static_cast<int>(frame.right - frame.left));
        height = std::min(height, static_cast<int>(frame.bottom - frame.top));
    }
    SetWindowPos(m_pFrame->m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
