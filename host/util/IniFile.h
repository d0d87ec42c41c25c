// Reads and writes the keys of one INI file through the private-profile services. A missing file,
// section or key reads as empty (or the caller's default); nothing here reports a failed read.
#pragma once

#include <string>
#include <vector>

class CIniFile {
public:
    CIniFile() = default;
    virtual ~CIniFile() = default;

    // A bare file name is taken relative to the current directory; the profile services would
    // otherwise look for it in the Windows folder.
    void SetPath(const std::wstring& path);
    const std::wstring& GetPath() const { return m_Path; }

    std::wstring GetString(const wchar_t* section, const wchar_t* key) const;
    // Unsigned decimal; an empty or missing value gives the default, a text without digits 0.
    unsigned int GetInt(const wchar_t* section, const wchar_t* key, unsigned int defaultValue) const;
    // 1 for "TRUE", "YES" (any case) or a non-zero number, else 0; empty or missing gives the default.
    int GetBool(const wchar_t* section, const wchar_t* key, int defaultValue) const;
    // The names of all sections in the file, in file order; none for a missing file.
    std::vector<std::wstring> GetSectionNames() const;
    // Returns the profile write's result; a null section or key writes nothing.
    bool WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value) const;

private:
    std::wstring m_Path;
};
