#include "util/ProgressBar.h"

#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/Resources.h"
#include "framework/StatusBar.h"
#include "framework/WinApp.h"

#include <commctrl.h>

namespace {

constexpr int kSizePercent = 110;
constexpr int kPane = 1;
constexpr UINT kControlId = 1;

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

BOOL CALLBACK FindStatusBarWindow(HWND child, LPARAM result)
{
    if (GetDlgCtrlID(child) != IDW_STATUS_BAR)
        return TRUE;
    *reinterpret_cast<HWND*>(result) = child;
    return FALSE;
}

}  // namespace

CProgressBar::~CProgressBar()
{
    if (m_hWnd == nullptr)
        return;
    ModifyStyle(WS_VISIBLE, 0);
    std::wstring text = m_pane == 0 ? LoadStringResource(IDS_IDLE_MESSAGE) : m_previousText;
    CStatusBar* statusBar = GetStatusBar();
    if (statusBar != nullptr) {
        statusBar->SetPaneText(m_pane, text, true);
        UpdateWindow(statusBar->m_hWnd);
    }
}

CStatusBar* CProgressBar::GetStatusBar()
{
    CWinApp* app = CWinApp::Current();
    CWnd* mainWindow = app != nullptr ? app->m_pMainWnd : nullptr;
    if (mainWindow == nullptr || mainWindow->m_hWnd == nullptr)
        return nullptr;
    if (auto* frame = dynamic_cast<CFrameWnd*>(mainWindow))
        return dynamic_cast<CStatusBar*>(frame->GetMessageBar());
    // Any other main window: its descendant with the status bar's id.
    HWND found = nullptr;
    EnumChildWindows(mainWindow->m_hWnd, &FindStatusBarWindow, reinterpret_cast<LPARAM>(&found));
    return dynamic_cast<CStatusBar*>(FromHandlePermanent(found));
}

void CProgressBar::TakePane(CStatusBar* statusBar)
{
    m_size = kSizePercent;
    m_pane = kPane;
    m_previousText = statusBar->GetPaneText(kPane);
}

BOOL CProgressBar::Create(CStatusBar* statusBar)
{
    if (statusBar == nullptr || statusBar->m_hWnd == nullptr)
        statusBar = GetStatusBar();
    if (statusBar == nullptr)
        return FALSE;
    TakePane(statusBar);

    RECT pane;
    statusBar->GetItemRect(kPane, &pane);
    if (!CProgressCtrl::Create(WS_CHILD | WS_VISIBLE | PBS_SMOOTH, pane, statusBar, kControlId))
        return FALSE;
    SetRange32(0, 100);
    SetStep(1);
    ModifyStyle(0, WS_VISIBLE);
    TakePane(statusBar);
    Resize();
    return TRUE;
}

BOOL CProgressBar::Resize()
{
    if (m_hWnd == nullptr)
        return FALSE;
    CStatusBar* statusBar = GetStatusBar();
    if (statusBar == nullptr)
        return FALSE;
    if (GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_VISIBLE) {
        statusBar->SetPaneText(m_pane, std::wstring(), true);
        UpdateWindow(statusBar->m_hWnd);
    }

    RECT rect;
    statusBar->GetItemRect(m_pane, &rect);
    int width = rect.right - rect.left;
    rect.right += (m_size - 100) * width / 100;
    int height = rect.bottom - rect.top;
    rect.top += height / 10;
    rect.bottom -= height / 10;

    if (!SameRect(rect, m_lastRect)) {
        MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
        m_lastRect = rect;
    }
    return TRUE;
}

LRESULT CProgressBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    default:
        return CProgressCtrl::WindowProc(message, wParam, lParam);
    }
}

LRESULT CProgressBar::OnEraseBkgnd(HDC /*dc*/)
{
    Resize();
    return Default();
}
