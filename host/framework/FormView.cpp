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
    ShowWindow(hwnd, SW_SHOW);
    return true;
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
    RECT view;
    GetClientRect(m_hWnd, &view);
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
