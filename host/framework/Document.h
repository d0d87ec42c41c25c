// The document of a single-document window: a file path and a title, shown in the frame's title.
#pragma once

#include "framework/CmdTarget.h"

#include <string>

class CSingleDocTemplate;

class CDocument : public CCmdTarget {
public:
    virtual BOOL OnNewDocument();
    // Opens the file for reading and reads it with SerializeLoad; reports a file that cannot be opened.
    virtual BOOL OnOpenDocument(const std::wstring& path);
    // Replaces the file with what SerializeStore writes.
    virtual BOOL OnSaveDocument(const std::wstring& path);
    // The document's contents, read from or written to the open file; false on a failure.
    virtual bool SerializeLoad(HANDLE /*file*/) { return true; }
    virtual bool SerializeStore(HANDLE /*file*/) { return true; }

    // Save: to the document's file, or to a file the user picks when it has none.
    bool DoFileSave();

    void SetPathName(const std::wstring& path);
    const std::wstring& GetPathName() const { return m_strPathName; }
    void SetTitle(const std::wstring& title);
    const std::wstring& GetTitle() const { return m_strTitle; }

    bool OnCommand(UINT id) override;
    bool HasCommandHandler(UINT id) const override;

    CSingleDocTemplate* m_pDocTemplate = nullptr;

protected:
    void OnFileSave();

private:
    bool DoSave(const std::wstring& path);

    std::wstring m_strTitle;
    std::wstring m_strPathName;
};
