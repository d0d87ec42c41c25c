// The terminal file name or pattern and the drive of a List File(s) or Delete File(s) task.
#pragma once

#include "framework/Dialog.h"

#include <string>

class CDlgListFiles : public CDialog {
public:
    explicit CDlgListFiles(HWND parent = nullptr);

    int m_drive = 2;
    // What the name field starts with.
    std::wstring m_name;
    // The name as OK accepted it.
    std::wstring m_resultName;
    // The window title; the task kind's name.
    std::wstring m_caption;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::wstring NameFieldText() const;
};
