#include "util/RegEntry.h"

#include "util/Registry.h"

#include <cwchar>

namespace {

std::wstring CutTo(const wchar_t* text, size_t limit)
{
    return text == nullptr ? std::wstring() : std::wstring(text, wcsnlen(text, limit));
}

}  // namespace

CRegEntry::CRegEntry(CRegistry* owner, const wchar_t* name) : m_name(CutTo(name, MaxNameLength)), m_owner(owner) {}

void CRegEntry::SetText(const wchar_t* text)
{
    m_type = REG_SZ;
    m_text = CutTo(text, MaxTextLength);
    WriteThrough(m_text.c_str(), (m_text.size() + 1) * sizeof(wchar_t));
}

void CRegEntry::SetNumber(DWORD number)
{
    m_type = REG_DWORD;
    m_number = number;
    WriteThrough(&m_number, sizeof(m_number));
}

void CRegEntry::SetBinary(const BYTE* bytes, size_t count)
{
    if (bytes == nullptr || count == 0)
        return;
    m_type = REG_BINARY;
    m_binary.assign(bytes, bytes + count);
    WriteThrough(m_binary.data(), m_binary.size());
}

void CRegEntry::SetTextList(const wchar_t* characters, size_t count)
{
    m_type = REG_MULTI_SZ;
    m_textList.clear();
    if (characters == nullptr)
        count = 0;
    // The last terminator closes the list; every zero before it ends one text.
    if (count > 2) {
        std::wstring current;
        for (size_t i = 0; i + 1 < count; ++i) {
            if (characters[i] == L'\0') {
                m_textList.push_back(current);
                current.clear();
            } else {
                current += characters[i];
            }
        }
        if (!current.empty())
            m_textList.push_back(current);
    }
    WriteThrough(characters, count * sizeof(wchar_t));
}

void CRegEntry::WriteThrough(const void* data, size_t size)
{
    if (m_owner == nullptr || m_name.empty() || (m_owner->GetFlags() & CRegistry::Loading) != 0)
        return;
    m_owner->WriteValue(m_name, m_type, data, static_cast<DWORD>(size));
}

std::wstring CRegEntry::JoinedTextList(size_t limit) const
{
    std::wstring joined;
    for (const std::wstring& text : m_textList) {
        if (joined.size() + text.size() + 1 > limit)
            break;
        joined += text;
        joined += L'\0';
    }
    return joined;
}

const std::wstring& CRegEntry::GetText()
{
    if (m_owner != nullptr && !m_name.empty())
        m_owner->RefreshBeforeRead();
    switch (m_type) {
    case REG_SZ:
        break;
    case REG_DWORD:
        m_text = std::to_wstring(m_number);
        break;
    case REG_MULTI_SZ:
        // The final zero that c_str() adds closes the list within the text buffer's 2048 characters.
        m_text = JoinedTextList(MaxTextLength);
        break;
    default:
        m_text.clear();
        break;
    }
    return m_text;
}

void CRegEntry::GetTextList(std::wstring& output) const
{
    output.clear();
    if (m_type != REG_MULTI_SZ)
        return;
    output = JoinedTextList(static_cast<size_t>(-1) / 2);
    output += L'\0';
}
