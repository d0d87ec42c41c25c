// The view of a frame: the child window that fills the frame's client area above the status bar.
#pragma once

#include "framework/Wnd.h"

class CDocument;
class CFrameWnd;

class CView : public CWnd {
public:
    // Creates the view's window as the frame's pane.
    virtual bool Create(CFrameWnd* frame, UINT id) = 0;
    // After the document was made or opened; the frame repeats it for every new document.
    virtual void OnInitialUpdate() {}

    CDocument* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetParentFrame() const { return m_pFrame; }

    CDocument* m_pDocument = nullptr;
    CFrameWnd* m_pFrame = nullptr;

protected:
    // Views belong to their window.
    void PostNcDestroy() override;
};
