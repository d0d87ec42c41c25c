#pragma once
// What the main view shows a user of a protocol run: the status log's texts and the state line.

#include "Wexlink32View.h"

#include <windows.h>

#include <string>
#include <vector>

namespace hosttest {

// The log's texts, newest first, without their time stamps.
inline std::vector<std::wstring> LogTexts(const CWexlink32View& view)
{
    std::vector<std::wstring> lines;
    for (int i = 0; i < view.StatusLog.GetCount(); ++i) {
        std::wstring line = view.StatusLog.GetText(i);
        const size_t text = line.find(L"]  ");
        lines.push_back(text == std::wstring::npos ? line : line.substr(text + 3));
    }
    return lines;
}

inline std::wstring StateLineText(const CWexlink32View& view)
{
    wchar_t text[64] = L"";
    GetWindowTextW(view.StateLine, text, 64);
    return text;
}

}  // namespace hosttest
