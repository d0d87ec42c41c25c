// The PC files, the terminal drive and the continue flag of Transmit File tasks. Adding a task
// picks any number of files (one task each); editing a task works on its one file.
#pragma once

#include "framework/Dialog.h"

#include <string>
#include <vector>

class CDlgXmitFiles : public CDialog {
public:
    explicit CDlgXmitFiles(HWND parent = nullptr);

    int GetFileCount() const { return static_cast<int>(m_files.size()); }
    // The path at index, or an empty string outside 0..count-1.
    std::wstring GetFile(int index) const;

    int m_drive = 2;
    bool m_continue = false;
    bool m_singleFile = false;
    // Full paths, in the order the list shows them.
    std::vector<std::wstring> m_files;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnControlCommand(UINT id, UINT code, HWND control) override;

private:
    void OnAddFiles();
    void OnEditFile();
    void OnDeleteFile();
    void OnDeleteAllFiles();
    void UpdateButtons();
    // The chosen paths of the file-open dialog; empty when it was cancelled.
    std::vector<std::wstring> ChooseFiles(bool multiple);
    bool IsListed(const std::wstring& path) const;
    int SelectedIndex() const;
    HWND FileList() const;
};
