#include "framework/FrameWnd.h"

#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/FrameworkIds.h"
#include "framework/Resources.h"
#include "framework/StatusBar.h"
#include "framework/View.h"
#include "framework/WinApp.h"

#include <algorithm>
#include <shlwapi.h>

bool CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CreateContext* context)
{
    m_strTitle = FirstLine(LoadStringResource(resourceId));
    CREATESTRUCTW cs = {};
    cs.style = style;
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    cs.hwndParent = parent != nullptr ? parent->m_hWnd : nullptr;
    if (!PreCreateWindow(cs))
        return false;
    m_frameStyle = static_cast<DWORD>(cs.style) & FWS_ADDTOTITLE;
    DWORD windowStyle = static_cast<DWORD>(cs.style) & ~FWS_ADDTOTITLE;

    m_hMenuDefault = LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(resourceId));
    m_pContext = context;
    // A window whose creation fails is destroyed before CreateWindowEx returns; this object must
    // outlive that, so that the failure can be cleaned up here and by the caller.
    m_creatingWindow = true;
    bool created = CreateEx(cs.dwExStyle, nullptr, m_strTitle.c_str(), windowStyle, cs.x, cs.y, cs.cx, cs.cy,
                            cs.hwndParent, m_hMenuDefault);
    m_creatingWindow = false;
    m_pContext = nullptr;
    if (!created) {
        if (m_hMenuDefault != nullptr && m_hWnd == nullptr)
            DestroyMenu(m_hMenuDefault);
        m_hMenuDefault = nullptr;
        return false;
    }
    HICON icon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(resourceId));
    if (icon != nullptr) {
        SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    LoadAccelTable(resourceId);
    return true;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW& /*cs*/)
{
    return TRUE;
}

bool CFrameWnd::LoadAccelTable(UINT id)
{
    // Every load makes a table of its own that lives until it is destroyed or the process ends:
    // each change of language would otherwise leave the previous one behind.
    HACCEL table = LoadAcceleratorsW(ResourceModule(), MAKEINTRESOURCEW(id));
    if (table != m_hAccelTable) {
        DestroyAccelTable();
        m_hAccelTable = table;
    }
    return table != nullptr;
}

void CFrameWnd::DestroyAccelTable()
{
    if (m_hAccelTable != nullptr)
        DestroyAcceleratorTable(m_hAccelTable);
    m_hAccelTable = nullptr;
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return m_pActiveView != nullptr ? m_pActiveView->GetDocument() : nullptr;
}

CWnd* CFrameWnd::GetMessageBar() const
{
    return FromHandlePermanent(GetDlgItem(m_hWnd, IDW_STATUS_BAR));
}

void CFrameWnd::SetMessageText(UINT stringId)
{
    SetMessageText(FirstLine(LoadStringResource(stringId)));
    m_idLastMessage = stringId;
}

void CFrameWnd::SetMessageText(const std::wstring& text)
{
    auto* bar = dynamic_cast<CStatusBar*>(GetMessageBar());
    if (bar != nullptr)
        bar->SetPaneText(0, text);
}

void CFrameWnd::RecalcLayout()
{
    if (m_hWnd == nullptr)
        return;
    RECT client;
    GetClientRect(m_hWnd, &client);
    auto* bar = dynamic_cast<CStatusBar*>(GetMessageBar());
    // The bar's own visibility counts: the frame itself may not be shown yet.
    if (bar != nullptr && (GetWindowLongPtrW(bar->m_hWnd, GWL_STYLE) & WS_VISIBLE)) {
        int height = bar->GetHeight();
        MoveWindow(bar->m_hWnd, 0, client.bottom - height, client.right, height, TRUE);
        bar->UpdateLayout();
        client.bottom -= height;
    }
    if (m_pActiveView != nullptr && m_pActiveView->m_hWnd != nullptr)
        MoveWindow(m_pActiveView->m_hWnd, 0, 0, client.right, std::max(0L, client.bottom), TRUE);
}

void CFrameWnd::InitialUpdateFrame(CDocument* /*document*/)
{
    if (m_pActiveView != nullptr)
        m_pActiveView->OnInitialUpdate();
    OnUpdateFrameTitle();
}

void CFrameWnd::OnUpdateFrameTitle()
{
    if (m_hWnd == nullptr)
        return;
    CDocument* document = GetActiveDocument();
    std::wstring title = m_strTitle;
    if ((m_frameStyle & FWS_ADDTOTITLE) && document != nullptr && !document->GetTitle().empty())
        title = document->GetTitle() + L" - " + m_strTitle;
    ::SetWindowTextW(m_hWnd, title.c_str());
}

bool CFrameWnd::RouteCommand(UINT id)
{
    if (m_pActiveView != nullptr && m_pActiveView->OnCommand(id))
        return true;
    CDocument* document = GetActiveDocument();
    if (document != nullptr && document->OnCommand(id))
        return true;
    if (OnCommand(id))
        return true;
    CWinApp* app = CWinApp::Current();
    return app != nullptr && app->OnCommand(id);
}

bool CFrameWnd::RouteUpdate(CCmdUI& ui)
{
    if (m_pActiveView != nullptr && m_pActiveView->OnUpdateCommand(ui))
        return true;
    CDocument* document = GetActiveDocument();
    if (document != nullptr && document->OnUpdateCommand(ui))
        return true;
    if (OnUpdateCommand(ui))
        return true;
    CWinApp* app = CWinApp::Current();
    return app != nullptr && app->OnUpdateCommand(ui);
}

bool CFrameWnd::RouteHasHandler(UINT id) const
{
    if (m_pActiveView != nullptr && m_pActiveView->HasCommandHandler(id))
        return true;
    CDocument* document = GetActiveDocument();
    if (document != nullptr && document->HasCommandHandler(id))
        return true;
    if (HasCommandHandler(id))
        return true;
    CWinApp* app = CWinApp::Current();
    return app != nullptr && app->HasCommandHandler(id);
}

bool CFrameWnd::IsCommandEnabled(UINT id)
{
    CCmdUI probe(id);
    if (RouteUpdate(probe))
        return probe.m_enabled;
    return RouteHasHandler(id);
}

void CFrameWnd::ExecuteCommand(UINT id)
{
    // The state may have changed since the menu was drawn, and the program sends commands too.
    CCmdUI probe(id);
    if (RouteUpdate(probe) && !probe.m_enabled)
        return;
    RouteCommand(id);
}

void CFrameWnd::UpdateMenuItems(HMENU menu)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        UINT index = static_cast<UINT>(i);
        HMENU popup = GetSubMenu(menu, i);
        if (popup != nullptr) {
            UpdateMenuItems(popup);
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1))
            continue;
        CMenuCmdUI ui(menu, index, id);
        // A command nobody handles is greyed rather than left to do nothing.
        if (!RouteUpdate(ui))
            ui.Enable(RouteHasHandler(id));
    }
}

void CFrameWnd::OnIdleUpdateCmdUI()
{
    HMENU menu = GetMenu(m_hWnd);
    if (menu != nullptr)
        UpdateMenuItems(menu);
    if (m_idTracking == 0)
        m_idTracking = IDS_IDLE_MESSAGE;
    if (m_idTracking != m_idLastMessage)
        SetMessageText(m_idTracking);
}

bool CFrameWnd::PreTranslateMessage(MSG& msg)
{
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || m_hAccelTable == nullptr)
        return false;
    return TranslateAcceleratorW(m_hWnd, m_hAccelTable, &msg) != 0;
}

void CFrameWnd::RunHelp(UINT command, ULONG_PTR data)
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    PathRenameExtensionW(path, L".HLP");
    WinHelpW(m_hWnd, path, command, data);
}

void CFrameWnd::OnHelp()
{
    RunHelp(HELP_CONTENTS, 0);
}

void CFrameWnd::OnContextHelp()
{
    RunHelp(HELP_CONTEXT, 0);
}

void CFrameWnd::OnHelpFinder()
{
    RunHelp(HELP_FINDER, 0);
}

void CFrameWnd::OnDefaultHelp()
{
    RunHelp(HELP_INDEX, 0);
}

bool CFrameWnd::OnCommand(UINT id)
{
    switch (id) {
    case ID_HELP:
        OnHelp();
        return true;
    case ID_CONTEXT_HELP:
        OnContextHelp();
        return true;
    case ID_HELP_FINDER:
        OnHelpFinder();
        return true;
    case ID_DEFAULT_HELP:
        OnDefaultHelp();
        return true;
    default:
        return false;
    }
}

bool CFrameWnd::HasCommandHandler(UINT id) const
{
    return id == ID_HELP || id == ID_CONTEXT_HELP || id == ID_HELP_FINDER || id == ID_DEFAULT_HELP;
}

void CFrameWnd::OnViewDestroyed(CView* view)
{
    if (m_pActiveView == view)
        m_pActiveView = nullptr;
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_COMMAND:
        return OnCommandMessage(wParam, lParam);
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_MENUSELECT:
        OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        return 0;
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        return 0;
    case WM_ACTIVATEAPP:
        OnActivateApp(static_cast<BOOL>(wParam), static_cast<DWORD>(lParam));
        return 0;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_NCDESTROY:
        OnNcDestroy();
        return 0;
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

int CFrameWnd::OnCreate(CREATESTRUCTW* /*cs*/)
{
    if (m_pContext == nullptr || !m_pContext->newView)
        return 0;
    CView* view = m_pContext->newView();
    if (view == nullptr)
        return -1;
    view->m_pDocument = m_pContext->document;
    if (!view->Create(this, IDW_PANE_FIRST)) {
        // Without a window the view has no procedure to delete it.
        if (view->m_hWnd == nullptr)
            delete view;
        return -1;
    }
    m_pActiveView = view;
    return 0;
}

void CFrameWnd::OnSize(UINT type, int /*cx*/, int /*cy*/)
{
    Default();
    if (type != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnClose()
{
    DestroyWindow();
}

void CFrameWnd::OnDestroy()
{
    // The window destroys the menu it carries; a default menu it no longer carries is ours.
    if (m_hMenuDefault != nullptr && GetMenu(m_hWnd) != m_hMenuDefault)
        DestroyMenu(m_hMenuDefault);
    m_hMenuDefault = nullptr;
    Default();
}

void CFrameWnd::OnNcDestroy()
{
    Default();
    DestroyAccelTable();
    CWinApp* app = CWinApp::Current();
    if (app != nullptr && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    if (m_pTemplate != nullptr)
        m_pTemplate->OnFrameDestroyed(this);
}

void CFrameWnd::PostNcDestroy()
{
    if (!m_creatingWindow)
        delete this;
}

void CFrameWnd::OnActivate(UINT state, HWND /*other*/, BOOL minimized)
{
    Default();
    if (state != WA_INACTIVE && !minimized && m_pActiveView != nullptr && m_pActiveView->m_hWnd != nullptr)
        SetFocus(m_pActiveView->m_hWnd);
}

void CFrameWnd::OnActivateApp(BOOL /*active*/, DWORD /*threadId*/)
{
    Default();
}

void CFrameWnd::OnEndSession(bool ending)
{
    // The system ends the process soon after the main window has answered: the message loop
    // would never reach the application's exit step, and what it saves would be lost.
    CWinApp* app = CWinApp::Current();
    if (ending && app != nullptr && app->m_pMainWnd == this)
        app->EndSession();
}

void CFrameWnd::OnSetFocus()
{
    if (m_pActiveView != nullptr && m_pActiveView->m_hWnd != nullptr)
        SetFocus(m_pActiveView->m_hWnd);
    else
        Default();
}

LRESULT CFrameWnd::OnCommandMessage(WPARAM wParam, LPARAM lParam)
{
    // Notifications of child controls are theirs; menus, accelerators and the program send
    // commands with no control.
    if (lParam != 0)
        return Default();
    ExecuteCommand(LOWORD(wParam));
    return 0;
}

void CFrameWnd::OnInitMenuPopup(HMENU menu)
{
    Default();
    UpdateMenuItems(menu);
}

void CFrameWnd::OnMenuSelect(UINT item, UINT flags, HMENU menu)
{
    if (flags == 0xFFFF && menu == nullptr) {
        // The menu closed: back to the idle text at the next idle time.
        m_idTracking = IDS_IDLE_MESSAGE;
        return;
    }
    if (flags & (MF_POPUP | MF_SEPARATOR)) {
        m_idTracking = 0;
        SetMessageText(std::wstring());
        m_idLastMessage = 0;
        return;
    }
    m_idTracking = item;
    SetMessageText(item);
}
