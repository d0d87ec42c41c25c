// The application object: start-up, the message loop with its idle time, the document template,
// the standard new/open/exit commands, and the application's message boxes.
#pragma once

#include "framework/CmdTarget.h"
#include "framework/DocTemplate.h"

#include <memory>
#include <string>

class CCommandLineInfo;
class CWnd;

class CWinApp : public CCmdTarget {
public:
    // Without a name the title comes from string IDS_APP_TITLE.
    explicit CWinApp(const wchar_t* appName = nullptr);
    ~CWinApp() override;

    // The one application object of the process.
    static CWinApp* Current();

    // Runs the application: InitInstance, then the message loop, and ExitInstance in either case.
    int AppMain(HINSTANCE instance, int showCommand);

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // The message loop; returns ExitInstance's result.
    virtual int Run();
    // The user's session ends while the program runs: the exit step runs now, and only once.
    void EndSession();
    // Called while the queue is empty; true asks for more idle time.
    virtual bool OnIdle(long count);
    virtual bool PreTranslateMessage(MSG& msg);
    // Takes one message from the queue and dispatches it; false on WM_QUIT.
    bool PumpMessage();
    // Handles every message already queued, with idle processing after them. False on WM_QUIT.
    bool PumpPendingMessages();

    bool InitOle();
    void EnableControlContainer() {}
    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
    void ParseCommandLine(CCommandLineInfo& info) const;
    bool ProcessShellCommand(const CCommandLineInfo& info);
    CDocument* OpenDocumentFile(const std::wstring& path);

    int DoMessageBox(const std::wstring& text, UINT type);
    HWND MainWindowHandle() const;

    bool OnCommand(UINT id) override;
    bool HasCommandHandler(UINT id) const override;

    HINSTANCE m_hInstance = nullptr;
    // The whole command line, program path included; tests may replace it before InitInstance.
    std::wstring m_commandLine;
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;

protected:
    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();

private:
    // Handles a message taken from the queue; false when it was WM_QUIT.
    bool DispatchTaken(MSG& msg, bool notQuit);
    // OnIdle, with whatever it throws caught; false (no more idle time) after a failure.
    bool IdleSafely(long count);
    // ExitInstance unless it already ran for this start; its exit code.
    int ExitOnce();

    const wchar_t* m_appName;
    std::wstring m_title;
    std::unique_ptr<CSingleDocTemplate> m_docTemplate;
    bool m_oleInitialized = false;
    bool m_exited = false;
    int m_exitCode = 0;
};
