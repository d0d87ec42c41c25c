#include "util/CommandLineSplitter.h"

#include <cwchar>
#include <cwctype>

CCommandLineSplitter::CCommandLineSplitter(const wchar_t* text)
{
    size_t length = text != nullptr ? std::wcslen(text) : 0;
    m_text = std::make_unique<wchar_t[]>(length + 1);
    if (length > 0)
        std::wmemcpy(m_text.get(), text, length);
    m_text[length] = L'\0';
    Split();
}

const wchar_t* CCommandLineSplitter::GetWord(int index) const
{
    if (index < 0 || index >= GetCount())
        return L"";
    return m_words[static_cast<size_t>(index)];
}

wchar_t* CCommandLineSplitter::FindClosingQuote(wchar_t* word)
{
    for (wchar_t* p = word; *p != L'\0'; ++p) {
        wchar_t next = p[1];
        if (*p == L'"' && (next == L'\0' || next == L',' || std::iswspace(next)))
            return p;
    }
    return nullptr;
}

wchar_t* CCommandLineSplitter::FindSeparator(wchar_t* word)
{
    wchar_t* p = word;
    while (*p != L'\0' && *p != L',' && !std::iswspace(*p))
        ++p;
    return p;
}

void CCommandLineSplitter::DropFinalDot(wchar_t* word, wchar_t* end)
{
    if (end > word && end[-1] == L'.')
        end[-1] = L'\0';
}

void CCommandLineSplitter::Split()
{
    wchar_t* p = m_text.get();
    while (*p != L'\0') {
        while (std::iswspace(*p))
            ++p;
        bool quoted = *p == L'"';
        if (quoted)
            ++p;
        // A word starts here even at the end of the text or on a comma: such a word is empty.
        wchar_t* word = p;
        m_words.push_back(word);

        if (quoted) {
            wchar_t* quote = FindClosingQuote(word);
            if (quote == nullptr)
                return;
            *quote = L'\0';
            if (quote[1] == L'\0')
                return;
            p = quote + 2;
            continue;
        }

        wchar_t* separator = FindSeparator(word);
        bool atEnd = *separator == L'\0';
        *separator = L'\0';
        DropFinalDot(word, separator);
        if (atEnd)
            return;
        p = separator + 1;
    }
}
