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
    int DeleteString(int index)
    {
        return static_cast<int>(SendMessageW(m_hWnd, LB_DELETESTRING, static_cast<WPARAM>(index), 0));
    }
    void ResetContent() { SendMessageW(m_hWnd, LB_RESETCONTENT, 0, 0); }
    std::wstring GetText(int index) const
    {
        LRESULT length = SendMessageW(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length == LB_ERR)
            return std::wstring();
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        LRESULT copied =
            SendMessageW(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
        return text;
    }
    int GetHorizontalExtent() const { return static_cast<int>(SendMessageW(m_hWnd, LB_GETHORIZONTALEXTENT, 0, 0)); }
    void SetHorizontalExtent(int extent)
    {
        SendMessageW(m_hWnd, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent), 0);
    }

    HWND m_hWnd = nullptr;
};
