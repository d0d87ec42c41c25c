#include "framework/DocTemplate.h"

#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/View.h"
#include "framework/WinApp.h"

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, DocumentFactory newDocument, FrameFactory newFrame,
                                       ViewFactory newView)
    : m_nIDResource(resourceId),
      m_newDocument(std::move(newDocument)),
      m_newFrame(std::move(newFrame)),
      m_newView(std::move(newView))
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    if (m_pFrame != nullptr && m_pFrame->m_hWnd != nullptr)
        m_pFrame->DestroyWindow();
}

bool CSingleDocTemplate::CreateFrame()
{
    CFrameWnd* frame = m_newFrame();
    if (frame == nullptr)
        return false;
    frame->m_pTemplate = this;
    CFrameWnd::CreateContext context{m_pDocument.get(), m_newView};
    m_pFrame = frame;
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
        // A frame whose window failed has no window procedure left to delete it.
        delete frame;
        m_pFrame = nullptr;
        return false;
    }
    CWinApp* app = CWinApp::Current();
    if (app != nullptr && app->m_pMainWnd == nullptr)
        app->m_pMainWnd = frame;
    return true;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const std::wstring& path)
{
    if (!m_pDocument) {
        m_pDocument = m_newDocument();
        if (!m_pDocument)
            return nullptr;
        m_pDocument->m_pDocTemplate = this;
    }
    bool newFrame = m_pFrame == nullptr;
    if (newFrame && !CreateFrame())
        return nullptr;

    bool opened = path.empty() ? m_pDocument->OnNewDocument() : m_pDocument->OnOpenDocument(path);
    if (!opened) {
        // A window made for a document that then failed to open would be left empty.
        if (newFrame && m_pFrame != nullptr)
            m_pFrame->DestroyWindow();
        return nullptr;
    }
    if (!path.empty())
        m_pDocument->SetPathName(path);
    m_pFrame->InitialUpdateFrame(m_pDocument.get());
    return m_pDocument.get();
}

void CSingleDocTemplate::OnFrameDestroyed(CFrameWnd* frame)
{
    if (m_pFrame == frame)
        m_pFrame = nullptr;
}
