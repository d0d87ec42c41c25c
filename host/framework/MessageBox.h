// Every message box of the host goes through here, so that tests can answer them without a
// modal loop blocking the test.
#pragma once

#include <windows.h>
#include <functional>
#include <string>

class CMessageBox {
public:
    using Handler = std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>;

    static int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);
    // Replaces the system's message box; an empty handler puts it back. Returns the previous one.
    static Handler SetHandler(Handler handler);
};
