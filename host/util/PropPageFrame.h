// The area around the pages of a tree property sheet: an optional caption bar with the current
// page's title and icon, and a text shown where no page covers the area. The window itself comes
// from a derived class.
#pragma once

#include <windows.h>
#include <string>

class CWnd;

namespace TreePropSheet {

class CPropPageFrame {
public:
    CPropPageFrame() = default;
    CPropPageFrame(const CPropPageFrame&) = delete;
    CPropPageFrame& operator=(const CPropPageFrame&) = delete;
    virtual ~CPropPageFrame() = default;

    virtual bool CreateFrameWindow(DWORD style, const RECT& rect, HWND parent, UINT id) = 0;
    // The frame's window object; its handle is null until CreateFrameWindow succeeded.
    virtual CWnd* GetFrameWindow() = 0;

    virtual void EnableCaption(bool enable);
    bool IsCaptionEnabled() const { return m_showCaption; }
    virtual void SetCaptionSize(int height);
    int GetCaptionSize() const { return m_captionHeight; }
    // A null text stores an empty one. The icon stays the caller's.
    virtual void SetCaptionTextAndIcon(const wchar_t* text, HICON icon);
    const std::wstring& GetCaptionText() const { return m_captionText; }
    virtual void SetEmptyText(const std::wstring& text);

    // The caption bar when shown, then the empty text below it.
    virtual void PaintFrame(HDC dc);
    // The client area below the caption.
    virtual RECT GetTextArea();
    virtual void PaintEmptyText(HDC dc, const RECT& rect, const std::wstring& text, UINT format);
    // The caption bar; empty (bottom = top) when no caption is shown.
    virtual RECT GetCaptionArea();
    virtual void PaintCaption(HDC /*dc*/, const RECT& /*rect*/, const std::wstring& /*text*/, HICON /*icon*/) {}

protected:
    RECT FrameClientRect();
    void InvalidateArea(const RECT& area);

private:
    bool m_showCaption = false;
    int m_captionHeight = 0;
    std::wstring m_captionText;
    HICON m_captionIcon = nullptr;
    std::wstring m_emptyText;
    UINT m_emptyTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
};

}  // namespace TreePropSheet
