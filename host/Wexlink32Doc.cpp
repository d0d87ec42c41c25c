#include "Wexlink32Doc.h"

#include "UniqueHandle.h"

BOOL CWexlink32Doc::OnNewDocument()
{
    return CDocument::OnNewDocument();
}

BOOL CWexlink32Doc::OnSaveDocument(const std::wstring& path)
{
    const CUniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? TRUE : FALSE;
}
