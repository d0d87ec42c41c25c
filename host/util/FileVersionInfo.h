// Reads the version resource of a module file: its fixed file information and the string values
// of one translation.
#pragma once

#include <windows.h>

#include <memory>

class CFileVersionInfo {
public:
    // Room of a value's output, terminator included.
    static constexpr size_t ValueCapacity = 256;

    CFileVersionInfo() = default;
    CFileVersionInfo(const CFileVersionInfo&) = delete;
    CFileVersionInfo& operator=(const CFileVersionInfo&) = delete;
    virtual ~CFileVersionInfo() = default;

    // Loads the version resource of the file; non-zero only when its fixed information is valid and
    // it has a translation table. A null path gives zero.
    BOOL Create(const wchar_t* modulePath);
    // Forgets the loaded resource.
    void Clear();
    // Writes the named string of the current translation into output (ValueCapacity characters,
    // longer values are cut); non-zero when the value exists. With no output it only reports that.
    BOOL GetValue(const wchar_t* name, wchar_t* output) const;

    BOOL IsValid() const { return m_valid; }
    const VS_FIXEDFILEINFO& GetFixedInfo() const { return m_fixedInfo; }

private:
    VS_FIXEDFILEINFO m_fixedInfo = {};
    std::unique_ptr<BYTE[]> m_versionData;
    const DWORD* m_translations = nullptr;
    UINT m_currentTranslation = 0;
    UINT m_translationCount = 0;
    BOOL m_valid = FALSE;
};
