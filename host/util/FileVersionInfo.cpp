#include "util/FileVersionInfo.h"

#include <cstdio>
#include <cwchar>

namespace {

constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;

}  // namespace

void CFileVersionInfo::Clear()
{
    m_translations = nullptr;
    m_currentTranslation = 0;
    m_translationCount = 0;
    m_valid = FALSE;
    m_fixedInfo = {};
    m_versionData.reset();
}

BOOL CFileVersionInfo::Create(const wchar_t* modulePath)
{
    Clear();
    if (modulePath == nullptr)
        return FALSE;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(modulePath, &handle);
    if (size == 0)
        return FALSE;
    m_versionData = std::make_unique<BYTE[]>(size);
    if (!GetFileVersionInfoW(modulePath, 0, size, m_versionData.get())) {
        Clear();
        return FALSE;
    }

    void* root = nullptr;
    UINT rootLength = 0;
    if (VerQueryValueW(m_versionData.get(), L"\\", &root, &rootLength) && root != nullptr &&
        rootLength >= sizeof(VS_FIXEDFILEINFO)) {
        memcpy(&m_fixedInfo, root, sizeof(m_fixedInfo));
        m_valid = m_fixedInfo.dwSignature == kFixedInfoSignature;
    }

    void* table = nullptr;
    UINT tableLength = 0;
    if (m_valid && VerQueryValueW(m_versionData.get(), L"\\VarFileInfo\\Translation", &table, &tableLength) &&
        table != nullptr) {
        m_translations = static_cast<const DWORD*>(table);
        m_translationCount = tableLength / sizeof(DWORD);
    }
    // An empty table has no language to read strings in.
    if (!m_valid || m_translations == nullptr || m_translationCount == 0) {
        Clear();
        return FALSE;
    }
    return TRUE;
}

BOOL CFileVersionInfo::GetValue(const wchar_t* name, wchar_t* output) const
{
    if (output != nullptr)
        output[0] = L'\0';
    if (!m_valid || m_translations == nullptr || m_translationCount == 0 || name == nullptr)
        return FALSE;
    DWORD translation = m_translations[m_currentTranslation < m_translationCount ? m_currentTranslation : 0];

    wchar_t query[128 + ValueCapacity];
    int written =
        swprintf(query, sizeof(query) / sizeof(query[0]), L"\\StringFileInfo\\%04X%04X\\%ls",
                 static_cast<unsigned>(LOWORD(translation)), static_cast<unsigned>(HIWORD(translation)), name);
    if (written < 0)
        return FALSE;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(m_versionData.get(), query, &value, &length) || value == nullptr)
        return FALSE;
    if (output != nullptr) {
        const auto* text = static_cast<const wchar_t*>(value);
        size_t copied = wcsnlen(text, length < ValueCapacity - 1 ? length : ValueCapacity - 1);
        wmemcpy(output, text, copied);
        output[copied] = L'\0';
    }
    return TRUE;
}
