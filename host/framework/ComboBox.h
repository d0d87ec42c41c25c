// A combo box control of a dialog.
#pragma once

#include <windows.h>
#include <string>

class CComboBox {
public:
    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    int GetCount() const { return static_cast<int>(SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0)); }
    int AddString(const std::wstring& text)
    {
        return static_cast<int>(SendMessageW(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    void ResetContent() { SendMessageW(m_hWnd, CB_RESETCONTENT, 0, 0); }
    int GetCurSel() const { return static_cast<int>(SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0)); }
    int SetCurSel(int index)
    {
        return static_cast<int>(SendMessageW(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
    }

    HWND m_hWnd = nullptr;
};
