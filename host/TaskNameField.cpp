#include "TaskNameField.h"

#include "framework/MessageBox.h"

void RefuseName(HWND dialog, int fieldId, const wchar_t* text)
{
    // Fixed in the program: the name errors are not translated.
    CMessageBox::Show(dialog, text, L"Error", MB_OK | MB_ICONSTOP);
    // The dialog manager's own way to move the focus: it also selects the edit's text.
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, fieldId)), TRUE);
}
