#include "framework/Document.h"

#include "framework/DocTemplate.h"
#include "framework/FileDialog.h"
#include "framework/FrameworkIds.h"
#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "UniqueHandle.h"

#include <iterator>
#include <shlwapi.h>

BOOL CDocument::OnNewDocument()
{
    m_strPathName.clear();
    SetTitle(LoadStringResource(IDS_UNTITLED));
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const std::wstring& path)
{
    const CUniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        CWinApp::Current()->DoMessageBox(LoadStringResource(IDS_FAILED_TO_OPEN_DOC), MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    if (!SerializeLoad(file.Get()))
        return FALSE;
    return TRUE;
}

BOOL CDocument::OnSaveDocument(const std::wstring& path)
{
    const CUniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid() || !SerializeStore(file.Get()))
        return FALSE;
    return TRUE;
}

bool CDocument::DoFileSave()
{
    if (!m_strPathName.empty() && PathFileExistsW(m_strPathName.c_str()))
        return DoSave(m_strPathName);
    CFileDialog dialog(false, nullptr, m_strTitle.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, nullptr,
                       CWinApp::Current()->MainWindowHandle());
    if (dialog.DoModal() != IDOK)
        return false;
    return DoSave(dialog.GetPathName());
}

bool CDocument::DoSave(const std::wstring& path)
{
    if (!OnSaveDocument(path))
        return false;
    SetPathName(path);
    return true;
}

void CDocument::SetPathName(const std::wstring& path)
{
    wchar_t full[MAX_PATH * 4];
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
    m_strPathName = (length > 0 && length < std::size(full)) ? std::wstring(full) : path;
    SetTitle(PathFindFileNameW(m_strPathName.c_str()));
}

void CDocument::SetTitle(const std::wstring& title)
{
    m_strTitle = title;
    if (m_pDocTemplate != nullptr && m_pDocTemplate->m_pFrame != nullptr)
        m_pDocTemplate->m_pFrame->OnUpdateFrameTitle();
}

void CDocument::OnFileSave()
{
    DoFileSave();
}

bool CDocument::OnCommand(UINT id)
{
    switch (id) {
    case ID_FILE_SAVE:
        OnFileSave();
        return true;
    default:
        return false;
    }
}

bool CDocument::HasCommandHandler(UINT id) const
{
    return id == ID_FILE_SAVE;
}
