#include "StatusArguments.h"

#include "util/CommandLineSplitter.h"

#include <cwchar>

namespace {

const wchar_t Placeholder[] = L"%s";
constexpr size_t PlaceholderLength = 2;

std::vector<std::wstring> LiteralParts(const std::wstring& fixedText)
{
    std::vector<std::wstring> parts;
    size_t from = 0;
    for (size_t at = fixedText.find(Placeholder); at != std::wstring::npos; at = fixedText.find(Placeholder, from)) {
        parts.push_back(fixedText.substr(from, at - from));
        from = at + PlaceholderLength;
    }
    parts.push_back(fixedText.substr(from));
    return parts;
}

bool Frames(const std::wstring& message, const std::wstring& front, const std::wstring& back)
{
    return message.size() >= front.size() + back.size() && message.compare(0, front.size(), front) == 0 &&
           message.compare(message.size() - back.size(), back.size(), back) == 0;
}

}  // namespace

bool ArgumentsByFixedText(const std::wstring& fixedText, const std::wstring& message, ArgumentSplit split,
                          std::vector<std::wstring>& arguments)
{
    arguments.clear();
    const std::vector<std::wstring> parts = LiteralParts(fixedText);
    const size_t count = parts.size() - 1;
    if (count == 0)
        return message == fixedText;
    if (count > 2 || !Frames(message, parts.front(), parts.back()))
        return false;
    const std::wstring middle =
        message.substr(parts.front().size(), message.size() - parts.front().size() - parts.back().size());
    if (count == 1) {
        arguments.push_back(middle);
        return true;
    }
    const std::wstring& between = parts[1];
    const size_t at = split == ArgumentSplit::atFirst ? middle.find(between) : middle.rfind(between);
    if (at == std::wstring::npos)
        return false;
    arguments.push_back(middle.substr(0, at));
    arguments.push_back(middle.substr(at + between.size()));
    return true;
}

std::wstring FillPlaceholders(const std::wstring& format, const wchar_t* marker,
                              std::initializer_list<std::wstring> values)
{
    const size_t markerLength = std::wcslen(marker);
    std::wstring text;
    auto value = values.begin();
    size_t from = 0;
    for (size_t at = format.find(marker); at != std::wstring::npos; at = format.find(marker, from)) {
        text.append(format, from, at - from);
        if (value != values.end())
            text += *value++;
        from = at + markerLength;
    }
    text.append(format, from, std::wstring::npos);
    return text;
}

const wchar_t kListedFileText[] = L"%s, %s bytes.";

std::wstring ListedFileName(const std::wstring& message)
{
    // A terminal name may hold a comma, so the name runs up to the last ", " before the size;
    // splitting at the first comma would receive another file than the one listed.
    std::vector<std::wstring> arguments;
    if (ArgumentsByFixedText(kListedFileText, message, ArgumentSplit::atLast, arguments))
        return arguments[0];
    const size_t separator = message.rfind(L", ");
    if (separator != std::wstring::npos && separator > 0)
        return message.substr(0, separator);
    CCommandLineSplitter words(message.c_str());
    return words.GetWord(0);
}
