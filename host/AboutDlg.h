// The About box: the program's name, version and copyright from its own version resource, and the
// version and folder of the protocol control library as its registration gives them.
#pragma once

#include "framework/Dialog.h"

#include <string>

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HWND parent = nullptr);

    // Falls back on the program's own template when the language library in use lacks it.
    INT_PTR DoModal() override;

protected:
    BOOL OnInitDialog() override;

private:
    void FillProgramFields();
    void FillControlFields();
    void ShowControlFolder(const std::wstring& libraryPath);

    // "Version: " in the language in use, taken before a template fallback changes the resources.
    std::wstring m_versionPrefix;
};
