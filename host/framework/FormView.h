// A view made from a dialog template of the current resource module, as a child dialog. Keys go
// first to the frame's accelerators, then to the dialog's own navigation.
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

protected:
    // Called once the dialog's controls exist.
    virtual void OnInitDialog() {}

private:
    static INT_PTR CALLBACK FormDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    SIZE m_totalSize = {0, 0};
};
