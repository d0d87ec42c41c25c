#include "util/PropPageFrame.h"

#include "framework/Wnd.h"

namespace TreePropSheet {

RECT CPropPageFrame::FrameClientRect()
{
    RECT rect = {0, 0, 0, 0};
    CWnd* window = GetFrameWindow();
    if (window != nullptr && window->m_hWnd != nullptr)
        GetClientRect(window->m_hWnd, &rect);
    return rect;
}

void CPropPageFrame::InvalidateArea(const RECT& area)
{
    CWnd* window = GetFrameWindow();
    if (window != nullptr && window->m_hWnd != nullptr)
        InvalidateRect(window->m_hWnd, &area, TRUE);
}

void CPropPageFrame::EnableCaption(bool enable)
{
    m_showCaption = enable;
    InvalidateArea(GetCaptionArea());
}

void CPropPageFrame::SetCaptionSize(int height)
{
    m_captionHeight = height;
    InvalidateArea(GetCaptionArea());
}

void CPropPageFrame::SetCaptionTextAndIcon(const wchar_t* text, HICON icon)
{
    m_captionText = text != nullptr ? text : L"";
    m_captionIcon = icon;
    InvalidateArea(GetCaptionArea());
}

void CPropPageFrame::SetEmptyText(const std::wstring& text)
{
    m_emptyText = text;
    InvalidateArea(GetTextArea());
}

void CPropPageFrame::PaintFrame(HDC dc)
{
    if (m_showCaption)
        PaintCaption(dc, GetCaptionArea(), m_captionText, m_captionIcon);
    PaintEmptyText(dc, GetTextArea(), m_emptyText, m_emptyTextFormat);
}

RECT CPropPageFrame::GetTextArea()
{
    RECT rect = FrameClientRect();
    if (m_showCaption)
        rect.top += m_captionHeight;
    return rect;
}

void CPropPageFrame::PaintEmptyText(HDC dc, const RECT& rect, const std::wstring& text, UINT format)
{
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT area = rect;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

RECT CPropPageFrame::GetCaptionArea()
{
    RECT rect = FrameClientRect();
    rect.bottom = m_showCaption ? rect.top + m_captionHeight : rect.top;
    return rect;
}

}  // namespace TreePropSheet
