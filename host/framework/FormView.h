// A view made from a dialog template of the current resource module, as a child dialog. Keys go
// first to the frame's accelerators, then to the dialog's own navigation. A view smaller than its
// form shows scroll bars, so that no part of the form is out of reach.
#pragma once

#include "framework/View.h"

class CFormView : public CView {
public:
    explicit CFormView(UINT templateId) : m_templateId(templateId) {}

    bool Create(CFrameWnd* frame, UINT id) override;
    bool PreTranslateMessage(MSG& msg) override;

    // The size of the form as laid out in its template, in pixels.
    SIZE GetTotalSize() const { return m_totalSize; }
    // Sizes the frame so that its client area fits the form; with shrinkOnly it never grows.
    void ResizeParentToFit(bool shrinkOnly = true);
    // How far the form is scrolled, in pixels.
    POINT GetScrollPosition() const { return m_scrollPos; }

protected:
    // Called once the dialog's controls exist.
    virtual void OnInitDialog() {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK FormDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Fits the scroll bars to the view's size; a bar that comes or goes changes that size again.
    void UpdateScrollBars();
    void OnScroll(int bar, UINT code);
    // Moves the form's controls so that the form's point `to` is at the view's top-left corner.
    void ScrollTo(POINT to);

    UINT m_templateId;
    SIZE m_totalSize = {0, 0};
    POINT m_scrollPos = {0, 0};
    bool m_updatingBars = false;
};
