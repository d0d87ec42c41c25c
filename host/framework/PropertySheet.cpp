#include "framework/PropertySheet.h"

#include "framework/ModalLoop.h"
#include "framework/PropertyPage.h"
#include "framework/Resources.h"
#include "framework/WindowPlacement.h"

#include <algorithm>

namespace {

// The sheet whose window PropertySheetW is making; its callback carries no pointer of its own.
thread_local CPropertySheet* t_creatingSheet = nullptr;

}  // namespace

CPropertySheet::CPropertySheet(const std::wstring& caption, HWND parent, UINT selectPage) : m_psh{}, m_caption(caption)
{
    m_psh.dwSize = sizeof(m_psh);
    m_psh.dwFlags = PSH_DEFAULT;
    m_psh.hwndParent = parent;
    m_psh.nStartPage = selectPage;
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    if (page == nullptr)
        return;
    m_pages.push_back(page);
    if (m_hWnd == nullptr)
        return;
    PROPSHEETPAGEW description = page->PreparedPage();
    HPROPSHEETPAGE handle = CreatePropertySheetPageW(&description);
    if (handle == nullptr || !SendMessageW(m_hWnd, PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle))) {
        if (handle != nullptr)
            DestroyPropertySheetPage(handle);
        m_pages.pop_back();
    }
}

void CPropertySheet::RemovePage(int index)
{
    if (index < 0 || index >= GetPageCount())
        return;
    if (m_hWnd != nullptr)
        SendMessageW(m_hWnd, PSM_REMOVEPAGE, static_cast<WPARAM>(index), 0);
    m_pages.erase(m_pages.begin() + index);
}

void CPropertySheet::RemovePage(CPropertyPage* page)
{
    RemovePage(GetPageIndex(page));
}

CPropertyPage* CPropertySheet::GetPage(int index) const
{
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const
{
    auto found = std::find(m_pages.begin(), m_pages.end(), page);
    return found == m_pages.end() ? -1 : static_cast<int>(found - m_pages.begin());
}

int CPropertySheet::GetActiveIndex() const
{
    if (m_hWnd == nullptr)
        return static_cast<int>(m_psh.nStartPage);
    HWND tabs = GetTabControl();
    return tabs != nullptr ? static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)) : -1;
}

bool CPropertySheet::SetActivePage(int index)
{
    if (index < 0 || index >= GetPageCount())
        return false;
    if (m_hWnd == nullptr) {
        m_psh.nStartPage = static_cast<UINT>(index);
        return true;
    }
    return SendMessageW(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != FALSE;
}

HWND CPropertySheet::GetTabControl() const
{
    return m_hWnd != nullptr ? reinterpret_cast<HWND>(SendMessageW(m_hWnd, PSM_GETTABCONTROL, 0, 0)) : nullptr;
}

INT_PTR CPropertySheet::DoModal()
{
    if (m_hWnd != nullptr || m_pages.empty())
        return -1;
    std::vector<PROPSHEETPAGEW> descriptions;
    for (CPropertyPage* page : m_pages)
        descriptions.push_back(page->PreparedPage());

    PROPSHEETHEADERW header = m_psh;
    header.dwSize = sizeof(header);
    header.dwFlags =
        (m_psh.dwFlags & ~static_cast<DWORD>(PSH_PROPSHEETPAGE)) | PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_MODELESS;
    header.hwndParent = m_psh.hwndParent != nullptr ? m_psh.hwndParent : DefaultModalOwner();
    header.hInstance = ResourceModule();
    header.pszCaption = m_caption.c_str();
    header.nPages = static_cast<UINT>(descriptions.size());
    header.nStartPage = std::min(m_psh.nStartPage, header.nPages - 1);
    header.ppsp = descriptions.data();
    header.pfnCallback = &CPropertySheet::SheetCallback;

    m_modalResult = IDCANCEL;
    m_initFailed = false;
    m_placedByInit = false;
    // Before the sheet exists, so that the lock sees where the focus was.
    CModalOwnerLock ownerLock(header.hwndParent);
    CPropertySheet* previous = t_creatingSheet;
    t_creatingSheet = this;
    auto created = reinterpret_cast<HWND>(PropertySheetW(&header));
    t_creatingSheet = previous;
    if (created == nullptr || created == reinterpret_cast<HWND>(-1) || m_hWnd != created || m_initFailed) {
        if (created != nullptr && created != reinterpret_cast<HWND>(-1) && IsWindow(created))
            ::DestroyWindow(created);
        return -1;
    }

    // Only now is the sheet of its final size.
    if (!m_placedByInit)
        CenterWindowOnOwner(m_hWnd);
    CallModalHook(m_hWnd);
    RunModalLoop([this] { return IsFinished(); }, [this](MSG& msg) { return PreTranslateMessage(msg); });
    ownerLock.Release();
    if (m_hWnd != nullptr)
        DestroyWindow();
    return m_modalResult;
}

bool CPropertySheet::IsFinished() const
{
    // A modeless sheet that was closed keeps its window but has no current page any more.
    return m_hWnd == nullptr || SendMessageW(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0) == 0;
}

int CALLBACK CPropertySheet::SheetCallback(HWND hwnd, UINT message, LPARAM /*lParam*/)
{
    if (message != PSCB_INITIALIZED)
        return 0;
    CPropertySheet* sheet = t_creatingSheet;
    if (sheet == nullptr || !sheet->SubclassWindow(hwnd))
        return 0;
    RECT before = {};
    GetWindowRect(hwnd, &before);
    try {
        sheet->OnInitDialog();
    } catch (...) {
        OutputDebugStringW(L"Wexlink32: exception in a property sheet's initialisation\n");
        sheet->m_initFailed = true;
    }
    RECT after = {};
    sheet->m_placedByInit =
        IsWindow(hwnd) && GetWindowRect(hwnd, &after) && (after.left != before.left || after.top != before.top);
    return 0;
}

BOOL CPropertySheet::OnInitDialog()
{
    HWND tabs = GetTabControl();
    if (!m_stackedTabs && tabs != nullptr) {
        LONG_PTR style = GetWindowLongPtrW(tabs, GWL_STYLE);
        SetWindowLongPtrW(tabs, GWL_STYLE, style & ~static_cast<LONG_PTR>(TCS_MULTILINE));
    }
    return TRUE;
}

bool CPropertySheet::PreTranslateMessage(MSG& msg)
{
    if (m_hWnd == nullptr || (msg.hwnd != m_hWnd && !IsChild(m_hWnd, msg.hwnd)))
        return false;
    // The active page sees its keys first (the tasks page keeps Enter from closing the sheet).
    if (CWnd* page = GetActivePage();
        page != nullptr && page->m_hWnd != nullptr && IsChild(page->m_hWnd, msg.hwnd) && page->PreTranslateMessage(msg))
        return true;
    return SendMessageW(m_hWnd, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&msg)) != FALSE;
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    if (message != WM_COMMAND)
        return Default();
    UINT id = LOWORD(wParam);
    LRESULT result = Default();
    // The sheet ends when OK applied every page; a page that refused keeps it open.
    if (id == IDOK && m_hWnd != nullptr && IsFinished())
        m_modalResult = IDOK;
    return result;
}
