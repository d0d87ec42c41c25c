// Splits a text into words at white space and commas. A word in double quotes may hold both and
// keeps a final '.'; an unquoted word loses one final '.'. The words point into the splitter's
// own copy of the text and live as long as the splitter.
#pragma once

#include <memory>
#include <vector>

class CCommandLineSplitter {
public:
    explicit CCommandLineSplitter(const wchar_t* text);
    CCommandLineSplitter(const CCommandLineSplitter&) = delete;
    CCommandLineSplitter& operator=(const CCommandLineSplitter&) = delete;

    int GetCount() const { return static_cast<int>(m_words.size()); }
    // The word at a zero-based index; an empty text for an index beyond the last word.
    const wchar_t* GetWord(int index) const;

private:
    void Split();
    // The end of a quoted word: a quote followed by white space, a comma or the end; null if none.
    static wchar_t* FindClosingQuote(wchar_t* word);
    static wchar_t* FindSeparator(wchar_t* word);
    static void DropFinalDot(wchar_t* word, wchar_t* end);

    std::unique_ptr<wchar_t[]> m_text;
    std::vector<wchar_t*> m_words;
};
