#include "framework/MessageBox.h"

namespace {

CMessageBox::Handler& CurrentHandler()
{
    static CMessageBox::Handler handler;
    return handler;
}

}  // namespace

int CMessageBox::Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)
{
    if (CurrentHandler())
        return CurrentHandler()(owner, text, caption, type);
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

CMessageBox::Handler CMessageBox::SetHandler(Handler handler)
{
    Handler previous = std::move(CurrentHandler());
    CurrentHandler() = std::move(handler);
    return previous;
}
