// The main window: menu, status bar with the progress bar, the program's commands, the
// notification-area icon with its balloons, COM-port arrival and removal, and the language
// library that translates the user interface.
#pragma once

#include "ProtocolFrame.h"
#include "UniqueHandle.h"
#include "framework/FrameWnd.h"
#include "framework/StatusBar.h"
#include "util/ProgressBar.h"

#include <shellapi.h>
#include <string>

class CWexlink32View;

class CMainFrame : public CFrameWnd, public IProtocolFrame {
public:
    // The shell's notification-icon call; tests put one of their own here.
    using NotifyIconFunction = BOOL(WINAPI*)(DWORD message, NOTIFYICONDATAW* data);
    static NotifyIconFunction s_notifyIcon;

    // The callback message of the notification icon.
    static constexpr UINT WM_TRAY_NOTIFY = WM_USER + 1;

    CMainFrame();
    // Gives the program its own resources back and frees the language library.
    ~CMainFrame() override;

    // A balloon on the notification icon, shown only while the window sits in the notification area.
    void ShowTrayMessage(const std::wstring& text);
    void ShowProgress(short percentage) override;
    void ShowStatusBalloon(const std::wstring& message) override;
    // Takes strings, menus, dialogs and pictures from the language library (a bare file name in the
    // language folder), or from the program itself when the name is empty, holds a path or cannot
    // be loaded.
    void LoadLanguage(const std::wstring& fileName);

    bool IsInTray() const { return m_inTray; }
    bool MessagesWhileInTray() const { return m_messagesWhileInTray; }
    const std::wstring& GetCurrentLanguageFile() const { return m_currentLanguageFile; }

    CProgressBar m_progressBar;
    HICON m_hIcon = nullptr;
    CStatusBar m_wndStatusBar;

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(UINT id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;
    bool HasCommandHandler(UINT id) const override;

    int OnCreate(CREATESTRUCTW* cs) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnClose() override;
    void OnActivate(UINT state, HWND other, BOOL minimized) override;
    void OnActivateApp(BOOL active, DWORD threadId) override;
    LRESULT OnTrayNotify(WPARAM iconId, LPARAM mouseMessage);
    LRESULT OnDeviceChange(WPARAM event, LPARAM data);
    // The shell's notification area was created anew (the shell restarted).
    void OnTaskbarCreated();

    void OnStartProtocol();
    void OnStopProtocol();
    void OnCommunicationSettings();
    void OnDefaultSettings();
    void OnUpdateProtocolIdle(CCmdUI& ui);
    void OnUpdateStopProtocol(CCmdUI& ui);
    void OnLanguage();
    void OnImport();
    void OnExport();
    // An error box naming a file: the text's "%s" is the path.
    void ShowFileError(UINT textId, const std::wstring& path);
    void OnClearStatusLog();

private:
    CWexlink32View* ProtocolView() const;
    bool CreateStatusBar();
    void FillNotifyIconRecord();
    void MoveToTray();
    void RemoveTrayIcon();
    // The language dialog's choice; false when the user cancelled.
    bool ChooseLanguage(std::wstring& chosen);

    HINSTANCE m_savedResourceModule = nullptr;
    CUniqueLibrary m_languageLibrary;
    std::wstring m_fileFilter;
    std::wstring m_languageFolder;
    std::wstring m_currentLanguageFile;
    bool m_inTray = false;
    bool m_messagesWhileInTray = true;
    bool m_languageLoaded = false;
    NOTIFYICONDATAW m_notifyIcon = {};
};
