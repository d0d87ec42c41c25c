#include "Wexlink32Doc.h"

BOOL CWexlink32Doc::OnNewDocument()
{
    return CDocument::OnNewDocument();
}

BOOL CWexlink32Doc::OnSaveDocument(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    CloseHandle(file);
    SetModifiedFlag(false);
    return TRUE;
}
