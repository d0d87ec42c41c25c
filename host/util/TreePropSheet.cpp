#include "util/TreePropSheet.h"

#include "framework/PropertyPage.h"
#include "util/PropPageFrameDefault.h"

#include <new>

namespace TreePropSheet {

namespace {

const UINT kPageTreeId = 0x7EEE;
const UINT kPageFrameId = 0xFFFF;
const UINT kMeasureTabId = 0x1234;
const int kApplyButtonId = 0x3021;
const int kTreeGap = 5;
const DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
const DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                         TVS_SHOWSELALWAYS | TVS_TRACKSELECT;
const wchar_t kSeparator[] = L"::";

RECT ChildRectInParent(HWND child, HWND parent)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void MoveTo(HWND window, const RECT& rect)
{
    MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to)
{
    for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

CTreePropSheet::CTreePropSheet(const std::wstring& caption) : CPropertySheet(caption, nullptr, 0) {}

CTreePropSheet::~CTreePropSheet()
{
    delete m_pageTree;
    delete m_frame;
    if (m_images != nullptr)
        ImageList_Destroy(m_images);
}

bool CTreePropSheet::SetTreeViewMode(bool treeMode, bool pageCaption, bool treeImages)
{
    if (m_hWnd != nullptr)
        return false;
    m_treeMode = treeMode;
    m_pageCaption = pageCaption;
    m_treeImages = treeImages;
    return true;
}

bool CTreePropSheet::SetTreeWidth(int width)
{
    if (m_hWnd != nullptr)
        return false;
    m_treeWidth = width;
    return true;
}

HWND CTreePropSheet::GetPageTreeControl() const
{
    return m_pageTree != nullptr ? m_pageTree->m_hWnd : nullptr;
}

bool CTreePropSheet::TakeFirstPathPart(std::wstring& path, std::wstring& part)
{
    for (size_t at = path.find(kSeparator); at != std::wstring::npos; at = path.find(kSeparator, at + 1)) {
        size_t backslashes = 0;
        while (backslashes < at && path[at - 1 - backslashes] == L'\\')
            ++backslashes;
        if (backslashes % 2 != 0)
            continue;
        part = path.substr(0, at);
        ReplaceAll(part, L"\\::", L"::");
        ReplaceAll(part, L"\\\\", L"\\");
        path.erase(0, at + 2);
        return true;
    }
    part = path;
    path.clear();
    return false;
}

std::wstring CTreePropSheet::FormatEmptyPageText(const std::wstring& message, const std::wstring& itemText)
{
    std::wstring text = message;
    for (size_t at = text.find(L"%s"); at != std::wstring::npos; at = text.find(L"%s", at + itemText.size()))
        text.replace(at, 2, itemText);
    return text;
}

CWnd* CTreePropSheet::MakePageTree()
{
    return new CWnd;
}

CPropPageFrame* CTreePropSheet::MakePageFrame()
{
    return new CPropPageFrameDefault(m_styles);
}

int CTreePropSheet::TabCount() const
{
    HWND tabs = GetTabControl();
    return tabs != nullptr ? static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)) : 0;
}

BOOL CTreePropSheet::OnInitDialog()
{
    if (m_treeMode) {
        EnableStackedTabs(false);
        if (m_images == nullptr)
            m_images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 1);
    }
    BOOL result = CPropertySheet::OnInitDialog();
    if (!m_treeMode)
        return result;

    HWND tabs = GetTabControl();
    if (tabs == nullptr)
        return result;
    ShowWindow(tabs, SW_HIDE);
    EnableWindow(tabs, FALSE);
    RECT frameRect = ChildRectInParent(tabs, m_hWnd);

    m_frame = MakePageFrame();
    if (m_frame == nullptr)
        throw std::bad_alloc();
    m_frame->CreateFrameWindow(kChildStyle, frameRect, m_hWnd, kPageFrameId);
    m_frame->EnableCaption(m_pageCaption);

    RECT sheetRect;
    GetWindowRect(m_hWnd, &sheetRect);
    SetWindowPos(m_hWnd, nullptr, 0, 0, sheetRect.right - sheetRect.left + m_treeWidth,
                 sheetRect.bottom - sheetRect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShiftChildWindows(m_treeWidth, 0);

    RECT treeRect = frameRect;
    treeRect.right = treeRect.left + m_treeWidth - kTreeGap;

    int tabHeight = MeasureTabHeight(frameRect);
    m_frame->SetCaptionSize(tabHeight);
    if (!m_pageCaption) {
        HWND frameWindow = m_frame->GetFrameWindow()->m_hWnd;
        if (frameWindow != nullptr) {
            RECT rect = ChildRectInParent(frameWindow, m_hWnd);
            rect.top += tabHeight;
            MoveTo(frameWindow, rect);
        }
        ShiftChildWindows(0, -tabHeight);
        treeRect.bottom -= tabHeight;
        // Only the size changes: the sheet is centred on its owner once it is laid out.
        GetWindowRect(m_hWnd, &sheetRect);
        SetWindowPos(m_hWnd, nullptr, 0, 0, sheetRect.right - sheetRect.left,
                     sheetRect.bottom - sheetRect.top - tabHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    m_pageTree = MakePageTree();
    if (m_pageTree == nullptr)
        throw std::bad_alloc();
    m_pageTree->CreateEx(WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY, WC_TREEVIEWW, L"", kTreeStyle, treeRect.left,
                         treeRect.top, treeRect.right - treeRect.left, treeRect.bottom - treeRect.top, m_hWnd,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kPageTreeId)));
    if (m_treeImages && m_pageTree->m_hWnd != nullptr) {
        SendMessageW(m_pageTree->m_hWnd, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(m_images));
        SendMessageW(m_pageTree->m_hWnd, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(m_images));
    }

    RebuildPageTree();
    int current = static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
    if (current != -1)
        SelectItemForPage(current);

    const std::pair<int, const std::wstring*> buttons[] = {
        {IDOK, &m_okText}, {IDCANCEL, &m_cancelText}, {kApplyButtonId, &m_applyText}, {IDHELP, &m_helpText}};
    for (const auto& button : buttons) {
        if (!button.second->empty())
            SetDlgItemTextW(m_hWnd, button.first, button.second->c_str());
    }
    return result;
}

void CTreePropSheet::ShiftChildWindows(int dx, int dy)
{
    for (HWND child = GetWindow(m_hWnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = ChildRectInParent(child, m_hWnd);
        OffsetRect(&rect, dx, dy);
        MoveTo(child, rect);
    }
}

int CTreePropSheet::MeasureTabHeight(const RECT& frameRect)
{
    HWND probe = CreateWindowExW(0, WC_TABCONTROLW, L"", kChildStyle, frameRect.left, frameRect.top,
                                 frameRect.right - frameRect.left, frameRect.bottom - frameRect.top, m_hWnd,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kMeasureTabId)),
                                 GetModuleHandleW(nullptr), nullptr);
    if (probe == nullptr)
        return 0;
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"");
    SendMessageW(probe, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    RECT rect = {0, 0, 0, 0};
    SendMessageW(probe, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rect));
    ::DestroyWindow(probe);
    return rect.bottom - rect.top;
}

void CTreePropSheet::RebuildPageTree()
{
    HWND tree = GetPageTreeControl();
    HWND tabs = GetTabControl();
    if (m_hWnd == nullptr || tree == nullptr || tabs == nullptr)
        return;
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));

    if (m_treeImages && m_images != nullptr) {
        ImageList_RemoveAll(m_images);
        auto tabImages = reinterpret_cast<HIMAGELIST>(SendMessageW(tabs, TCM_GETIMAGELIST, 0, 0));
        int count = tabImages != nullptr ? ImageList_GetImageCount(tabImages) : 0;
        for (int i = 0; i < count; ++i) {
            HICON icon = ImageList_GetIcon(tabImages, i, ILD_NORMAL);
            if (icon != nullptr) {
                ImageList_AddIcon(m_images, icon);
                DestroyIcon(icon);
            }
        }
    }

    int imageCount = m_images != nullptr ? ImageList_GetImageCount(m_images) : 0;
    for (int i = 0; i < TabCount(); ++i) {
        wchar_t text[261] = L"";
        TCITEMW tab = {};
        tab.mask = TCIF_TEXT | TCIF_IMAGE;
        tab.pszText = text;
        tab.cchTextMax = 260;
        tab.iImage = -1;
        SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tab));
        HTREEITEM item = InsertPagePath(text, TVI_ROOT);
        if (item == nullptr)
            continue;
        TVITEMW data = {};
        data.mask = TVIF_PARAM;
        data.hItem = item;
        data.lParam = i;
        if (m_treeImages) {
            data.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
            data.iImage = data.iSelectedImage = (tab.iImage >= 0 && tab.iImage < imageCount) ? tab.iImage : -1;
        }
        SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    }
}

HTREEITEM CTreePropSheet::InsertPagePath(std::wstring path, HTREEITEM parent)
{
    HWND tree = GetPageTreeControl();
    std::wstring part;
    TakeFirstPathPart(path, part);
    // A title that starts with the separator has an empty first part: it adds no level.
    while (part.empty() && !path.empty())
        TakeFirstPathPart(path, part);

    HTREEITEM child = parent == TVI_ROOT ? TreeView_GetRoot(tree) : TreeView_GetChild(tree, parent);
    for (; child != nullptr; child = TreeView_GetNextSibling(tree, child)) {
        if (ItemText(child) == part)
            return path.empty() ? child : InsertPagePath(path, child);
    }

    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(part.c_str());
    insert.item.lParam = -1;
    if (m_treeImages) {
        insert.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.iImage = insert.item.iSelectedImage = -1;
    }
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (item == nullptr || path.empty())
        return item;
    return InsertPagePath(path, item);
}

LPARAM CTreePropSheet::ItemData(HTREEITEM item) const
{
    TVITEMW data = {};
    data.mask = TVIF_PARAM | TVIF_HANDLE;
    data.hItem = item;
    data.lParam = -1;
    SendMessageW(GetPageTreeControl(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return data.lParam;
}

std::wstring CTreePropSheet::ItemText(HTREEITEM item) const
{
    wchar_t text[261] = L"";
    TVITEMW data = {};
    data.mask = TVIF_TEXT | TVIF_HANDLE;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 260;
    SendMessageW(GetPageTreeControl(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

HTREEITEM CTreePropSheet::FindItemForPage(int page, HTREEITEM start) const
{
    if (page < 0 || page >= TabCount())
        return nullptr;
    HWND tree = GetPageTreeControl();
    for (HTREEITEM item = start; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        if (ItemData(item) == page)
            return item;
        HTREEITEM found = FindItemForPage(page, TreeView_GetChild(tree, item));
        if (found != nullptr)
            return found;
    }
    return nullptr;
}

void CTreePropSheet::SelectItemForPage(int page)
{
    HWND tree = GetPageTreeControl();
    if (tree == nullptr)
        return;
    HTREEITEM item = FindItemForPage(page, TreeView_GetRoot(tree));
    if (item != nullptr)
        TreeView_SelectItem(tree, item);
}

void CTreePropSheet::SyncTreeSelection()
{
    HWND tabs = GetTabControl();
    if (tabs != nullptr)
        SelectItemForPage(static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)));
}

void CTreePropSheet::RefreshFrameCaption()
{
    HWND tree = GetPageTreeControl();
    if (tree == nullptr || m_frame == nullptr)
        return;
    auto page = reinterpret_cast<HWND>(SendMessageW(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
    bool pageVisible = page != nullptr && IsWindowVisible(page);
    HTREEITEM selected = TreeView_GetSelection(tree);
    if (selected == nullptr)
        return;
    std::wstring text = ItemText(selected);
    if (!pageVisible)
        m_frame->SetEmptyText(FormatEmptyPageText(m_emptyPageMessage, text));

    HWND tabs = GetTabControl();
    if (!m_frame->IsCaptionEnabled() || tabs == nullptr)
        return;
    HICON icon = nullptr;
    if (m_treeImages) {
        TVITEMW data = {};
        data.mask = TVIF_IMAGE | TVIF_HANDLE;
        data.hItem = selected;
        data.iImage = -1;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
        if (m_images != nullptr && data.iImage >= 0 && data.iImage < ImageList_GetImageCount(m_images))
            icon = ImageList_GetIcon(m_images, data.iImage, ILD_NORMAL);
    } else if (pageVisible) {
        TCITEMW tab = {};
        tab.mask = TCIF_IMAGE;
        tab.iImage = -1;
        SendMessageW(tabs, TCM_GETITEMW, SendMessageW(tabs, TCM_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(&tab));
        auto tabImages = reinterpret_cast<HIMAGELIST>(SendMessageW(tabs, TCM_GETIMAGELIST, 0, 0));
        if (tabImages != nullptr && tab.iImage >= 0)
            icon = ImageList_GetIcon(tabImages, tab.iImage, ILD_NORMAL);
    }
    m_frame->SetCaptionTextAndIcon(text.c_str(), icon);
    if (icon != nullptr)
        DestroyIcon(icon);
}

HTREEITEM CTreePropSheet::LastDescendant(HTREEITEM item) const
{
    HWND tree = GetPageTreeControl();
    for (HTREEITEM child = TreeView_GetChild(tree, item); child != nullptr; child = TreeView_GetChild(tree, item)) {
        item = child;
        for (HTREEITEM next = TreeView_GetNextSibling(tree, item); next != nullptr;
             next = TreeView_GetNextSibling(tree, item))
            item = next;
    }
    return item;
}

void CTreePropSheet::GoToNextPage()
{
    HWND tree = GetPageTreeControl();
    if (tree == nullptr) {
        int count = GetPageCount();
        int active = GetActiveIndex();
        if (active >= 0 && active < count)
            SetActivePage((active + 1) % count);
        return;
    }
    HTREEITEM selected = TreeView_GetSelection(tree);
    HTREEITEM next = selected != nullptr ? TreeView_GetChild(tree, selected) : nullptr;
    for (HTREEITEM item = selected; next == nullptr && item != nullptr; item = TreeView_GetParent(tree, item))
        next = TreeView_GetNextSibling(tree, item);
    if (next == nullptr)
        next = TreeView_GetRoot(tree);
    if (next != nullptr)
        TreeView_SelectItem(tree, next);
}

void CTreePropSheet::GoToPreviousPage()
{
    HWND tree = GetPageTreeControl();
    if (tree == nullptr) {
        int count = GetPageCount();
        int active = GetActiveIndex();
        if (active >= 0 && active < count)
            SetActivePage((active + count - 1) % count);
        return;
    }
    HTREEITEM selected = TreeView_GetSelection(tree);
    HTREEITEM previous = nullptr;
    if (selected != nullptr) {
        previous = TreeView_GetPrevSibling(tree, selected);
        previous = previous != nullptr ? LastDescendant(previous) : TreeView_GetParent(tree, selected);
    }
    if (previous == nullptr) {
        HTREEITEM lastRoot = TreeView_GetRoot(tree);
        for (HTREEITEM next = lastRoot; next != nullptr; next = TreeView_GetNextSibling(tree, next))
            lastRoot = next;
        previous = lastRoot != nullptr ? LastDescendant(lastRoot) : nullptr;
    }
    if (previous != nullptr)
        TreeView_SelectItem(tree, previous);
}

LRESULT CTreePropSheet::OnDestroy()
{
    delete m_pageTree;
    m_pageTree = nullptr;
    LRESULT result = Default();
    if (m_images != nullptr) {
        ImageList_Destroy(m_images);
        m_images = nullptr;
    }
    delete m_frame;
    m_frame = nullptr;
    return result;
}

LRESULT CTreePropSheet::OnPageListChanged()
{
    LRESULT result = Default();
    RebuildPageTree();
    SyncTreeSelection();
    return result;
}

LRESULT CTreePropSheet::OnPageSelected()
{
    LRESULT result = Default();
    SyncTreeSelection();
    RefreshFrameCaption();
    return result;
}

LRESULT CTreePropSheet::OnDialogKey(const MSG* msg)
{
    if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
        if (GetKeyState(VK_SHIFT) < 0)
            GoToPreviousPage();
        else
            GoToNextPage();
        return TRUE;
    }
    return Default();
}

LRESULT CTreePropSheet::OnTreeSelChanging(const NMTREEVIEWW& change)
{
    if (m_selectionGuard)
        return 0;
    m_selectionGuard = true;
    LRESULT result = 0;
    LPARAM page = ItemData(change.itemNew.hItem);
    // Pages are counted by the tab control: two pages with one title share an item, so the tree
    // may hold fewer items than there are pages.
    if (page >= 0 && page < TabCount()) {
        if (!SetActivePage(static_cast<int>(page)))
            result = 1;
    } else if (page == -1) {
        auto current = reinterpret_cast<HWND>(SendMessageW(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (current != nullptr && IsWindowVisible(current)) {
            NMHDR header = {};
            header.hwndFrom = m_hWnd;
            header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_hWnd));
            header.code = PSN_KILLACTIVE;
            if (SendMessageW(current, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header)) != 0)
                result = 1;
            else
                ShowWindow(current, SW_HIDE);
        }
    }
    SetFocus(GetPageTreeControl());
    m_selectionGuard = false;
    return result;
}

LRESULT CTreePropSheet::OnTreeSelChanged()
{
    RefreshFrameCaption();
    return 0;
}

LRESULT CTreePropSheet::OnNotify(const NMHDR& header)
{
    if (header.idFrom == kPageTreeId) {
        if (header.code == TVN_SELCHANGINGW || header.code == TVN_SELCHANGINGA)
            return OnTreeSelChanging(reinterpret_cast<const NMTREEVIEWW&>(header));
        if (header.code == TVN_SELCHANGEDW || header.code == TVN_SELCHANGEDA)
            return OnTreeSelChanged();
    }
    return Default();
}

LRESULT CTreePropSheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        return OnDestroy();
    case PSM_ISDIALOGMESSAGE:
        return OnDialogKey(reinterpret_cast<const MSG*>(lParam));
    default:
        break;
    }
    if (!m_treeMode)
        return CPropertySheet::WindowProc(message, wParam, lParam);
    switch (message) {
    case PSM_ADDPAGE:
    case PSM_REMOVEPAGE:
        return OnPageListChanged();
    case PSM_SETCURSEL:
    case PSM_SETCURSELID:
        return OnPageSelected();
    case WM_NOTIFY:
        if (lParam != 0)
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        break;
    default:
        break;
    }
    return CPropertySheet::WindowProc(message, wParam, lParam);
}

}  // namespace TreePropSheet
