// Lists the languages the user interface can take: the program's own first, then every language
// library of the language folder, with the translator information of the selected one.
#pragma once

#include "framework/Dialog.h"

#include <string>
#include <vector>

class CDlgLanguage : public CDialog {
public:
    struct LanguageEntry {
        std::wstring name;         // string 193 of the file
        std::wstring file;         // the file name exactly as it was given
        std::wstring information;  // string 194 of the file; empty when it has none
    };

    explicit CDlgLanguage(HWND parent = nullptr);

    // Falls back on the program's own template when the language library in use lacks it.
    INT_PTR DoModal() override;

    // Appends an entry when the file (relative names are taken in the language folder) loads and
    // carries a language name; any other file is skipped without a message.
    void AddLanguageFile(const std::wstring& fileName);
    // The program's own language, then the libraries of the language folder in search order.
    void CollectLanguages();
    const std::vector<LanguageEntry>& GetEntries() const { return m_entries; }

    // Set by the caller before DoModal.
    std::wstring m_programFile;
    std::wstring m_languageFolder;  // ends with a backslash
    std::wstring m_currentLanguageFile;
    // The file of the selected entry, read by the caller after OK.
    std::wstring m_chosenFile;

protected:
    BOOL OnInitDialog() override;
    bool OnControlCommand(UINT id, UINT code, HWND control) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnSelchangeLanguageList();
    void OnDestroy();

private:
    std::vector<LanguageEntry> m_entries;
    // The name of the language in use, taken before a template fallback changes the resources.
    std::wstring m_currentLanguageName;
};
