// One value of a registry key held by a CRegistry: its name, type and data. Storing into an entry
// writes the value through to the key unless the registry is reading values in.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CRegistry;

class CRegEntry {
public:
    // Longest name and text an entry keeps, without the terminator.
    static constexpr size_t MaxNameLength = 2047;
    static constexpr size_t MaxTextLength = 2047;

    CRegEntry(CRegistry* owner, const wchar_t* name);
    CRegEntry(const CRegEntry&) = delete;
    CRegEntry& operator=(const CRegEntry&) = delete;
    virtual ~CRegEntry() = default;

    void SetText(const wchar_t* text);
    void SetNumber(DWORD number);
    void SetBinary(const BYTE* bytes, size_t count);
    // Zero-separated texts; count is the number of characters, terminators included.
    void SetTextList(const wchar_t* characters, size_t count);

    // Text as stored, a number in unsigned decimal, a text list as consecutive zero-terminated
    // texts; empty for nothing stored and for binary data. Valid until the entry changes.
    const std::wstring& GetText();
    // A text list as consecutive zero-terminated texts with one more zero at the end; empty for
    // any other type.
    void GetTextList(std::wstring& output) const;

    const std::wstring& GetName() const { return m_name; }
    // 0 while nothing was stored, else REG_SZ, REG_BINARY, REG_DWORD or REG_MULTI_SZ.
    DWORD GetType() const { return m_type; }
    const std::vector<BYTE>& GetBinary() const { return m_binary; }

private:
    void WriteThrough(const void* data, size_t size);
    std::wstring JoinedTextList(size_t limit) const;

    std::wstring m_name;
    DWORD m_type = 0;
    CRegistry* m_owner;
    DWORD m_number = 0;
    std::wstring m_text;
    std::vector<BYTE> m_binary;
    std::vector<std::wstring> m_textList;
};
