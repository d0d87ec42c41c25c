// The document of the main window. It holds no data: opening a file only names the window, and
// saving leaves the file as it is.
#pragma once

#include "framework/Document.h"

class CWexlink32Doc : public CDocument {
public:
    BOOL OnNewDocument() override;
    // The document's file is a settings file (named on the command line, imported or exported);
    // with nothing to store, Save must not empty it. A new file is created empty.
    BOOL OnSaveDocument(const std::wstring& path) override;
};
