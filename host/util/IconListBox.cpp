#include "util/IconListBox.h"

#include <cstdlib>

namespace {

const int IconCellMargin = 6;
const UINT MeasureFlags = DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK;
const UINT DrawFlags = DT_EXPANDTABS | DT_WORDBREAK;

void FillSolid(HDC dc, const RECT& rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

}  // namespace

CIconListBox::CIconListBox() : m_watcher(*this) {}

CIconListBox::~CIconListBox()
{
    if (m_hWnd != nullptr && IsWindow(m_hWnd))
        FreeItemData();
}

bool CIconListBox::Attach(HWND listBox)
{
    if (listBox == nullptr)
        return false;
    CListBox::Attach(listBox);
    return m_watcher.SubclassWindow(listBox);
}

LRESULT CIconListBox::CDestroyWatcher::WindowProc(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    if (message == WM_DESTROY) {
        m_owner.FreeItemData();
        LRESULT result = Default();
        m_owner.m_hWnd = nullptr;
        return result;
    }
    return Default();
}

void CIconListBox::SetImageList(HIMAGELIST images)
{
    m_images = images;
    m_iconWidth = 0;
    m_iconHeight = 0;
    if (images != nullptr)
        ImageList_GetIconSize(images, &m_iconWidth, &m_iconHeight);
}

CIconListBox::ItemRecord* CIconListBox::RecordOf(int index) const
{
    LRESULT data = SendMessageW(m_hWnd, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    if (data == LB_ERR || data == 0)
        return nullptr;
    return reinterpret_cast<ItemRecord*>(data);
}

std::wstring CIconListBox::ItemText(int index) const
{
    LRESULT length = SendMessageW(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

int CIconListBox::AddItem(const std::wstring& text, int icon)
{
    int index = static_cast<int>(SendMessageW(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index >= 0)
        SetItemIcon(index, icon);
    return index;
}

int CIconListBox::ReplaceItem(int index, const std::wstring& text, int icon)
{
    FreeItemRecord(index);
    DeleteString(index);
    int inserted = InsertString(index, text);
    if (inserted >= 0)
        SetItemIcon(inserted, icon);
    return inserted;
}

void CIconListBox::SetItemIcon(int index, int icon)
{
    ItemRecord* record = RecordOf(index);
    if (record == nullptr) {
        record = new ItemRecord{icon};
        if (SendMessageW(m_hWnd, LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(record)) ==
            LB_ERR) {
            delete record;
            return;
        }
    }
    record->Icon = icon;
}

void CIconListBox::FreeItemRecord(int index)
{
    ItemRecord* record = RecordOf(index);
    if (record == nullptr)
        return;
    SendMessageW(m_hWnd, LB_SETITEMDATA, static_cast<WPARAM>(index), 0);
    delete record;
}

void CIconListBox::FreeItemData()
{
    if (m_hWnd == nullptr)
        return;
    for (int index = GetCount() - 1; index >= 0; --index)
        FreeItemRecord(index);
}

void CIconListBox::MeasureItem(MEASUREITEMSTRUCT& measure)
{
    int left = m_images != nullptr ? m_iconWidth + IconCellMargin : 0;
    RECT client;
    GetClientRect(m_hWnd, &client);
    RECT text = {left, 0, client.right - GetSystemMetrics(SM_CXHSCROLL), 0};

    std::wstring itemText = ItemText(static_cast<int>(measure.itemID));
    HDC dc = GetDC(m_hWnd);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    DrawTextW(dc, itemText.c_str(), static_cast<int>(itemText.size()), &text, MeasureFlags);
    SelectObject(dc, oldFont);
    ReleaseDC(m_hWnd, dc);

    int textHeight = text.bottom - text.top;
    int height = m_images != nullptr && m_iconHeight > textHeight ? m_iconHeight : textHeight;
    measure.itemHeight = static_cast<UINT>(height + 4);
    measure.itemWidth = static_cast<UINT>(text.right - text.left);
}

void CIconListBox::FillTextBackground(HDC dc, const RECT& area, COLORREF colour)
{
    FillSolid(dc, area, colour);
}

void CIconListBox::FillIconBackground(HDC dc, const RECT& cell, COLORREF colour)
{
    FillSolid(dc, cell, colour);
}

void CIconListBox::DrawItemIcon(HDC dc, const RECT& cell, int icon, bool disabled)
{
    HICON copy = ImageList_GetIcon(m_images, icon, ILD_NORMAL);
    if (copy == nullptr)
        return;
    DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(copy), 0, cell.left + 3, cell.top + 2, m_iconWidth,
               m_iconHeight, DST_ICON | (disabled ? DSS_DISABLED : 0));
    DestroyIcon(copy);
}

void CIconListBox::DrawItem(const DRAWITEMSTRUCT& draw)
{
    if (static_cast<int>(draw.itemID) < 0)
        return;
    ItemRecord* record = RecordOf(static_cast<int>(draw.itemID));
    if (record == nullptr)
        return;
    HDC dc = draw.hDC;
    bool selected = (draw.itemState & ODS_SELECTED) != 0;
    bool focused = (draw.itemState & ODS_FOCUS) != 0;
    bool disabled = (draw.itemState & ODS_DISABLED) != 0;
    COLORREF window = GetSysColor(COLOR_WINDOW);
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    COLORREF windowText = GetSysColor(COLOR_WINDOWTEXT);
    int oldMode = SetBkMode(dc, TRANSPARENT);

    const RECT& item = draw.rcItem;
    RECT cell = {item.left, item.top, item.left, item.bottom};
    if (m_images != nullptr)
        cell.right = item.left + m_iconWidth + IconCellMargin;
    RECT area = {cell.right, item.top, item.right, item.bottom};

    LOGFONTW logFont = {};
    GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof(logFont), &logFont);
    logFont.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectW(&logFont);
    HGDIOBJ normal = SelectObject(dc, bold);

    std::wstring text = ItemText(static_cast<int>(draw.itemID));
    RECT block = area;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &block, MeasureFlags);
    int spare = (area.bottom - area.top) - (block.bottom - block.top);
    // Halving towards minus infinity, also when the text is higher than the item.
    int shift = spare >= 0 ? spare / 2 : -((-spare + 1) / 2);
    OffsetRect(&block, 0, area.top - block.top + shift);

    if (m_images != nullptr)
        FillIconBackground(dc, cell, selected && !disabled ? highlight : window);

    COLORREF background = window;
    COLORREF foreground = windowText;
    if (disabled) {
        foreground = GetSysColor(COLOR_GRAYTEXT);
    } else if (selected) {
        foreground = ~windowText & 0x00FFFFFF;
        background = highlight;
    }
    FillTextBackground(dc, area, background);
    COLORREF oldColour = SetTextColor(dc, foreground);

    if (m_images != nullptr)
        DrawItemIcon(dc, cell, record->Icon, disabled);

    size_t lineFeed = text.find(L'\n');
    if (lineFeed == std::wstring::npos) {
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &block, DrawFlags);
    } else {
        std::wstring title = text.substr(0, lineFeed);
        std::wstring detail = text.substr(lineFeed + 1);
        DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &block, DrawFlags);
        OffsetRect(&block, 0, std::abs(logFont.lfHeight) + 2);
        SelectObject(dc, normal);
        DrawTextW(dc, detail.c_str(), static_cast<int>(detail.size()), &block, DrawFlags);
    }

    if (focused && !disabled)
        DrawFocusRect(dc, &item);
    SelectObject(dc, normal);
    DeleteObject(bold);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}
