// The parameters of a Receive File(s) task: the terminal side (drive, name or pattern, continue
// flag), the PC folder, what happens to an existing PC file and how received files are named.
#pragma once

#include "framework/Dialog.h"
#include "util/BrowseCtrl.h"

#include <string>

class CDlgRecvFiles : public CDialog {
public:
    // The message the folder control sends after each browse.
    static const UINT BrowseNotifyMessage = WM_APP + 100;

    explicit CDlgRecvFiles(HWND parent = nullptr);

    // The host's terminal file-name rule; an empty name is refused.
    static bool IsValidTerminalFileName(const std::wstring& name);

    int m_drive = 2;
    std::wstring m_name;
    bool m_continue = false;
    int m_downType = 0;
    bool m_useFilename = true;
    bool m_useTermId = false;
    bool m_useTime = false;
    bool m_useDate = false;
    int m_fmtTime = 0;
    int m_fmtDate = 0;
    int m_fmtFile = 0;
    // Holds the PC folder: set it with SetPathName before the dialog runs, read it with GetPathName.
    CBrowseCtrl m_folder;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    bool OnControlCommand(UINT id, UINT code, HWND control) override;
    bool PreTranslateMessage(MSG& msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void StartFolder();
    void FillComboFromString(int comboId, UINT stringId, int selected);
    bool IsChecked(int id) const;
    int SelectionOf(int comboId, int current) const;
    std::wstring NameFieldText() const;
    bool NamesAPcFile(const std::wstring& name) const;
};
