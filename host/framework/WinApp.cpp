#include "framework/WinApp.h"

#include "framework/CommandLineInfo.h"
#include "framework/FileDialog.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/MessageBox.h"
#include "framework/ModalLoop.h"
#include "framework/Resources.h"

#include <ole2.h>

namespace {

CWinApp* g_app = nullptr;

}  // namespace

CWinApp::CWinApp(const wchar_t* appName) : m_appName(appName)
{
    // The first one made is the application; another one (a test's, say) must not take its place.
    if (g_app == nullptr)
        g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* CWinApp::Current()
{
    return g_app;
}

int CWinApp::AppMain(HINSTANCE instance, int showCommand)
{
    m_hInstance = instance;
    m_nCmdShow = showCommand;
    if (!InitInstance())
        return ExitOnce();
    return Run();
}

BOOL CWinApp::InitInstance()
{
    m_exited = false;
    if (m_hInstance == nullptr)
        m_hInstance = GetModuleHandleW(nullptr);
    if (m_commandLine.empty())
        m_commandLine = GetCommandLineW();
    m_title = m_appName != nullptr ? std::wstring(m_appName) : LoadStringResource(IDS_APP_TITLE);
    return TRUE;
}

int CWinApp::ExitInstance()
{
    m_docTemplate.reset();
    m_pMainWnd = nullptr;
    if (m_oleInitialized) {
        OleUninitialize();
        m_oleInitialized = false;
    }
    return m_exitCode;
}

bool CWinApp::InitOle()
{
    if (!m_oleInitialized)
        m_oleInitialized = SUCCEEDED(OleInitialize(nullptr));
    return m_oleInitialized;
}

bool CWinApp::PreTranslateMessage(MSG& msg)
{
    return CWnd::WalkPreTranslateTree(MainWindowHandle(), msg);
}

bool CWinApp::OnIdle(long count)
{
    if (count == 0) {
        auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd);
        if (frame != nullptr && frame->m_hWnd != nullptr)
            frame->OnIdleUpdateCmdUI();
    }
    return false;
}

bool CWinApp::PumpMessage()
{
    MSG msg;
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) {
        // The queue itself failed; going round again would spin.
        m_exitCode = -1;
        return false;
    }
    return DispatchTaken(msg, got != 0);
}

bool CWinApp::DispatchTaken(MSG& msg, bool notQuit)
{
    if (!notQuit) {
        m_exitCode = static_cast<int>(msg.wParam);
        return false;
    }
    if (!PreTranslateSafely([this](MSG& taken) { return PreTranslateMessage(taken); }, msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

bool CWinApp::PumpPendingMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!DispatchTaken(msg, msg.message != WM_QUIT))
            return false;
    }
    for (long count = 0; IdleSafely(count); ++count) {
    }
    return true;
}

bool CWinApp::IdleSafely(long count)
{
    // The update handlers ask the protocol control; one that fails must not end the program
    // (the same handlers run inside window procedures for menus, where failures are caught too).
    try {
        return OnIdle(count);
    } catch (...) {
        OutputDebugStringW(L"Wexlink32: exception in idle processing\n");
        return false;
    }
}

int CWinApp::Run()
{
    for (;;) {
        MSG msg;
        for (long count = 0; !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); ++count) {
            if (!IdleSafely(count))
                break;
        }
        if (!PumpMessage())
            break;
    }
    return ExitOnce();
}

void CWinApp::EndSession()
{
    ExitOnce();
}

int CWinApp::ExitOnce()
{
    if (!m_exited) {
        m_exited = true;
        m_exitCode = ExitInstance();
    }
    return m_exitCode;
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate)
{
    m_docTemplate = std::move(docTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const
{
    info.Parse(m_commandLine);
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info)
{
    if (!m_docTemplate)
        return false;
    const std::wstring& path = info.m_nShellCommand == CCommandLineInfo::FileOpen ? info.m_strFileName : std::wstring();
    return m_docTemplate->OpenDocumentFile(path) != nullptr;
}

CDocument* CWinApp::OpenDocumentFile(const std::wstring& path)
{
    return m_docTemplate ? m_docTemplate->OpenDocumentFile(path) : nullptr;
}

int CWinApp::DoMessageBox(const std::wstring& text, UINT type)
{
    return CMessageBox::Show(MainWindowHandle(), text, m_title, type);
}

HWND CWinApp::MainWindowHandle() const
{
    return m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
}

void CWinApp::OnFileNew()
{
    OpenDocumentFile(std::wstring());
}

void CWinApp::OnFileOpen()
{
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, nullptr, MainWindowHandle());
    if (dialog.DoModal() == IDOK)
        OpenDocumentFile(dialog.GetPathName());
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd != nullptr && m_pMainWnd->m_hWnd != nullptr)
        SendMessageW(m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
}

bool CWinApp::OnCommand(UINT id)
{
    switch (id) {
    case ID_FILE_NEW:
        OnFileNew();
        return true;
    case ID_FILE_OPEN:
        OnFileOpen();
        return true;
    case ID_APP_EXIT:
        OnAppExit();
        return true;
    default:
        return false;
    }
}

bool CWinApp::HasCommandHandler(UINT id) const
{
    return id == ID_FILE_NEW || id == ID_FILE_OPEN || id == ID_APP_EXIT;
}
