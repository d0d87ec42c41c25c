#include "IniFile.h"

#include "UniqueHandle.h"

#include <windows.h>
#include <shlwapi.h>

#include <climits>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

// Values and the list of section names grow by doubling from here; the cap keeps a damaged file
// from exhausting memory.
constexpr DWORD InitialValueSize = 512;
constexpr DWORD MaxValueSize = 16 * 1024 * 1024;

struct ParsedNumber {
    bool negative = false;
    std::uint64_t magnitude = 0;  // saturated at 2^32
};

// Leading white space, one optional sign, then decimal digits up to the first other character.
ParsedNumber ParseDecimal(const std::wstring& text)
{
    ParsedNumber number;
    size_t pos = 0;
    while (pos < text.size() && std::iswspace(text[pos])) {
        ++pos;
    }
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
        number.negative = text[pos] == L'-';
        ++pos;
    }
    constexpr std::uint64_t Saturated = std::uint64_t{1} << 32;
    for (; pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9'; ++pos) {
        number.magnitude = number.magnitude * 10 + static_cast<unsigned>(text[pos] - L'0');
        if (number.magnitude >= Saturated) {
            number.magnitude = Saturated;
        }
    }
    return number;
}

// As the C library's unsigned conversion: a minus sign negates modulo 2^32, and a magnitude that
// does not fit gives the largest value.
unsigned int ToUnsigned(const ParsedNumber& number)
{
    if (number.magnitude > UINT_MAX) {
        return UINT_MAX;
    }
    const auto value = static_cast<unsigned int>(number.magnitude);
    return number.negative ? 0u - value : value;
}

// As the C library's signed conversion: clamped to the 32-bit range.
long long ToSigned(const ParsedNumber& number)
{
    const long long magnitude = static_cast<long long>(number.magnitude);
    if (number.negative) {
        return magnitude > -static_cast<long long>(INT_MIN) ? INT_MIN : -magnitude;
    }
    return magnitude > INT_MAX ? INT_MAX : magnitude;
}

// The profile services write a file they create in the ANSI code page, which turns every character
// outside it into '?'. A file that starts as UTF-16 with its byte-order mark is kept in UTF-16, so a
// missing file is created that way before the first write. An existing file is left as it is.
void CreateAsUnicodeIfMissing(const std::wstring& path)
{
    const CUniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    static const BYTE ByteOrderMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(file.Get(), ByteOrderMark, sizeof ByteOrderMark, &written, nullptr);
}

}  // namespace

void CIniFile::SetPath(const std::wstring& path)
{
    m_Path = PathIsFileSpecW(path.c_str()) ? L".\\" + path : path;
}

std::wstring CIniFile::GetString(const wchar_t* section, const wchar_t* key) const
{
    if (section == nullptr || key == nullptr) {
        return std::wstring();
    }
    DWORD size = InitialValueSize;
    for (;;) {
        std::vector<wchar_t> buffer(size + 1, L'\0');
        const DWORD length = GetPrivateProfileStringW(section, key, L"", buffer.data(), size, m_Path.c_str());
        // A value that fills the buffer may have been cut: read it again with more room.
        if (length + 1 < size || size >= MaxValueSize) {
            return std::wstring(buffer.data(), length);
        }
        size *= 2;
    }
}

unsigned int CIniFile::GetInt(const wchar_t* section, const wchar_t* key, unsigned int defaultValue) const
{
    const std::wstring text = GetString(section, key);
    if (text.empty()) {
        return defaultValue;
    }
    return ToUnsigned(ParseDecimal(text));
}

int CIniFile::GetBool(const wchar_t* section, const wchar_t* key, int defaultValue) const
{
    const std::wstring text = GetString(section, key);
    if (text.empty()) {
        return defaultValue;
    }
    if (_wcsicmp(text.c_str(), L"TRUE") == 0 || _wcsicmp(text.c_str(), L"YES") == 0) {
        return 1;
    }
    return ToSigned(ParseDecimal(text)) != 0 ? 1 : 0;
}

std::vector<std::wstring> CIniFile::GetSectionNames() const
{
    DWORD size = InitialValueSize;
    for (;;) {
        std::vector<wchar_t> buffer(size + 2, L'\0');
        const DWORD length = GetPrivateProfileSectionNamesW(buffer.data(), size, m_Path.c_str());
        // A list that did not fit comes back cut, with a length of size - 2.
        if (length + 2 < size || size >= MaxValueSize) {
            std::vector<std::wstring> names;
            for (const wchar_t* name = buffer.data(); name < buffer.data() + length && *name != L'\0';
                 name += wcslen(name) + 1) {
                names.emplace_back(name);
            }
            return names;
        }
        size *= 2;
    }
}

bool CIniFile::WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value) const
{
    // A null key would delete the whole section: this accessor only writes values.
    if (section == nullptr || key == nullptr) {
        return false;
    }
    CreateAsUnicodeIfMissing(m_Path);
    return WritePrivateProfileStringW(section, key, value != nullptr ? value : L"", m_Path.c_str()) != FALSE;
}
