#include "framework/StatusBar.h"

#include "framework/Resources.h"

#include <algorithm>
#include <commctrl.h>

bool CStatusBar::Create(CWnd* parent, DWORD style, UINT id)
{
    return CreateEx(0, STATUSCLASSNAMEW, nullptr, style, 0, 0, 0, 0, parent->m_hWnd,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

bool CStatusBar::SetIndicators(const UINT* ids, int count)
{
    m_panes.clear();
    for (int i = 0; i < count; ++i) {
        Pane pane{ids[i], SBPS_NORMAL, 0, std::wstring(), false};
        if (ids[i] == 0) {
            pane.style = SBPS_NOBORDERS | SBPS_STRETCH;
        } else if (!TryLoadStringResource(ids[i], pane.text)) {
            m_panes.clear();
            return false;
        } else {
            pane.width = 100;
        }
        m_panes.push_back(pane);
    }
    UpdateLayout();
    for (int i = 0; i < count; ++i)
        SetPaneText(i, m_panes[static_cast<size_t>(i)].text, false);
    return true;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width)
{
    if (index < 0 || index >= GetPaneCount())
        return;
    Pane& pane = m_panes[static_cast<size_t>(index)];
    pane.id = id;
    pane.style = style;
    pane.width = width;
    UpdateLayout();
}

bool CStatusBar::SetPaneText(int index, const std::wstring& text, bool update)
{
    if (index < 0 || index >= GetPaneCount() || m_hWnd == nullptr)
        return false;
    Pane& pane = m_panes[static_cast<size_t>(index)];
    // Setting a pane repaints the bar; a control in the pane that sets the text while it paints
    // would otherwise repaint forever.
    if (pane.text == text && pane.shown)
        return true;
    pane.text = text;
    pane.shown = true;
    WPARAM drawing = static_cast<WPARAM>(index) | ((pane.style & SBPS_NOBORDERS) ? SBT_NOBORDERS : 0);
    if (pane.style & SBPS_STRETCH)
        ApplyPaneEdges();
    if (!SendMessageW(m_hWnd, SB_SETTEXTW, drawing, reinterpret_cast<LPARAM>(pane.text.c_str())))
        return false;
    SendMessageW(m_hWnd, SB_SETTIPTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(pane.text.c_str()));
    if (update)
        UpdateWindow(m_hWnd);
    return true;
}

std::wstring CStatusBar::GetPaneText(int index) const
{
    return index >= 0 && index < GetPaneCount() ? m_panes[static_cast<size_t>(index)].text : std::wstring();
}

std::wstring CStatusBar::GetPaneTip(int index) const
{
    wchar_t tip[1024] = L"";
    if (m_hWnd != nullptr && index >= 0 && index < GetPaneCount())
        SendMessageW(m_hWnd, SB_GETTIPTEXTW, MAKEWPARAM(index, ARRAYSIZE(tip)), reinterpret_cast<LPARAM>(tip));
    tip[ARRAYSIZE(tip) - 1] = L'\0';
    return tip;
}

void CStatusBar::GetItemRect(int index, RECT* rect) const
{
    *rect = RECT{0, 0, 0, 0};
    if (m_hWnd != nullptr)
        SendMessageW(m_hWnd, SB_GETRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect));
}

int CStatusBar::GetHeight() const
{
    RECT rect = {0, 0, 0, 0};
    if (m_hWnd != nullptr)
        GetWindowRect(m_hWnd, &rect);
    return rect.bottom - rect.top;
}

void CStatusBar::UpdateLayout()
{
    if (m_hWnd == nullptr || m_panes.empty())
        return;
    SendMessageW(m_hWnd, WM_SIZE, 0, 0);
    m_edges.clear();
    ApplyPaneEdges();
}

void CStatusBar::ApplyPaneEdges()
{
    RECT client;
    GetClientRect(m_hWnd, &client);
    std::vector<int> edges = PaneEdges(static_cast<int>(client.right - client.left));
    if (edges == m_edges)
        return;
    m_edges = edges;
    SendMessageW(m_hWnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

std::vector<int> CStatusBar::PaneEdges(int width) const
{
    int fixed = 0;
    int stretching = 0;
    int wanted = 0;
    for (const Pane& pane : m_panes) {
        if (pane.style & SBPS_STRETCH) {
            ++stretching;
            wanted += TextWidth(pane.text);
        } else {
            fixed += pane.width;
        }
    }
    // The stretching panes keep room for their whole text: the fixed ones give it up, in proportion.
    int fixedRoom = std::min(fixed, std::max(0, width - wanted));
    int room = std::max(0, width - fixedRoom);
    std::vector<int> edges;
    int right = 0;
    for (const Pane& pane : m_panes) {
        if (pane.style & SBPS_STRETCH)
            right += room / std::max(1, stretching);
        else
            right += fixed > 0 ? pane.width * fixedRoom / fixed : 0;
        edges.push_back(right);
    }
    return edges;
}

int CStatusBar::TextWidth(const std::wstring& text) const
{
    if (text.empty() || m_hWnd == nullptr)
        return 0;
    HDC dc = GetDC(m_hWnd);
    if (dc == nullptr)
        return 0;
    auto font = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (previous != nullptr)
        SelectObject(dc, previous);
    ReleaseDC(m_hWnd, dc);
    // The part's border and the gap before the text on both sides.
    const int kTextMargins = 12;
    return size.cx + kTextMargins;
}
