// The single-document template: one document, one frame and one view, made from a resource id
// that names the frame's menu, icon, accelerators and the template string.
#pragma once

#include <windows.h>
#include <functional>
#include <memory>
#include <string>

class CDocument;
class CFrameWnd;
class CView;

class CSingleDocTemplate {
public:
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<CFrameWnd*()>;  // the frame deletes itself with its window
    using ViewFactory = std::function<CView*()>;       // so does the view

    CSingleDocTemplate(UINT resourceId, DocumentFactory newDocument, FrameFactory newFrame, ViewFactory newView);
    ~CSingleDocTemplate();

    // Opens the file as the document, or makes a new document for an empty path; creates the frame
    // and the view the first time. Null when the file cannot be opened or a window not created.
    CDocument* OpenDocumentFile(const std::wstring& path);

    // The frame's window is gone; called by the frame.
    void OnFrameDestroyed(CFrameWnd* frame);

    UINT m_nIDResource;
    std::unique_ptr<CDocument> m_pDocument;
    CFrameWnd* m_pFrame = nullptr;

private:
    bool CreateFrame();

    DocumentFactory m_newDocument;
    FrameFactory m_newFrame;
    ViewFactory m_newView;
};
