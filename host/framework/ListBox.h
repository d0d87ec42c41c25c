// A list box control of a dialog.
#pragma once

#include <windows.h>
#include <string>

class CListBox {
public:
    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    int GetCount() const { return static_cast<int>(SendMessageW(m_hWnd, LB_GETCOUNT, 0, 0)); }
    int InsertString(int index, const std::wstring& text)
    {
        return static_cast<int>(
            SendMessageW(m_hWnd, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
    }
    int DeleteString(int index) { return static_cast<int>(SendMessageW(m_hWnd, LB_DELETESTRING, static_cast<WPARAM>(index), 0)); }
    void ResetContent() { SendMessageW(m_hWnd, LB_RESETCONTENT, 0, 0); }

    HWND m_hWnd = nullptr;
};
