// The page frame of the tree property sheet as a window: drawn like the pane of a tab control
// with the visual styles when they are active, in classic colours otherwise, with a caption bar
// that fades from the inactive-caption colour into the background.
#pragma once

#include "framework/Wnd.h"
#include "util/PropPageFrame.h"
#include "util/VisualStyles.h"

#include <commctrl.h>

namespace TreePropSheet {

class CPropPageFrameDefault : public CWnd, public CPropPageFrame {
public:
    // Drawn with the visual styles when they are given and active.
    explicit CPropPageFrameDefault(const CVisualStyles* styles = nullptr) : m_styles(styles) {}
    ~CPropPageFrameDefault() override;

    bool CreateFrameWindow(DWORD style, const RECT& rect, HWND parent, UINT id) override;
    CWnd* GetFrameWindow() override { return this; }
    void SetCaptionTextAndIcon(const wchar_t* text, HICON icon) override;
    RECT GetTextArea() override;
    RECT GetCaptionArea() override;
    void PaintCaption(HDC dc, const RECT& rect, const std::wstring& text, HICON icon) override;

    // Whether the visual styles draw the frame now.
    bool IsThemed() const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnPaint();
    LRESULT OnEraseBkgnd(HDC dc);
    // The theme's content rectangle of the tab pane within the client area; false when the theme
    // cannot tell.
    bool ThemedContentRect(RECT& content);
    void ReleaseCaptionImage();

    const CVisualStyles* m_styles;
    HIMAGELIST m_captionImages = nullptr;
};

}  // namespace TreePropSheet
