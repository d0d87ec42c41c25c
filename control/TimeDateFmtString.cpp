#include "TimeDateFmtString.h"

#include "LocalClock.h"

#include <cwchar>

namespace {

// Indexed by enumTimeDateFmt. The '#' flag drops the leading zero of hour, day and month; the
// runtime's wcsftime honours it (minutes, seconds and the two-digit year keep theirs).
// clang-format off
const wchar_t* const Formats[] = {
    L"%#H:%M:%S %#d/%#m/%Y", L"%#H:%M:%S %#d/%#m/%y", L"%#H:%M:%S %#m/%#d/%Y", L"%#H:%M:%S %#m/%#d/%y",
    L"%#H:%M:%S %Y/%#m/%#d", L"%#H:%M:%S %y/%#m/%#d", L"%#H:%M %#d/%#m/%Y",    L"%#H:%M %#d/%#m/%y",
    L"%#H:%M %#m/%#d/%Y",    L"%#H:%M %#m/%#d/%y",    L"%#H:%M %Y/%#m/%#d",    L"%#H:%M %y/%#m/%#d",
    L"%#H:%M:%S",            L"%#H:%M",               L"%#d/%#m/%Y",           L"%#d/%#m/%y",
    L"%#m/%#d/%Y",           L"%#m/%#d/%y",           L"%Y/%#m/%#d",           L"%y/%#m/%#d",
};
// clang-format on
constexpr std::uint32_t FormatCount = sizeof(Formats) / sizeof(Formats[0]);

// The longest format gives 19 characters ("23:59:59 31/12/3000"); the buffer leaves room to spare.
constexpr std::size_t TextCapacity = 64;

}  // namespace

CTimeDateFmtString::CTimeDateFmtString(std::int16_t hours, std::int16_t minutes, std::int16_t seconds, std::int16_t day,
                                       std::int16_t month, std::int16_t year, std::uint32_t format)
{
    std::tm local{};
    if (!NormaliseLocalClock({hours, minutes, seconds, day, month, year}, local))
        return;
    if (format >= FormatCount)
        return;

    wchar_t buffer[TextCapacity];
    const std::size_t length = std::wcsftime(buffer, TextCapacity, Formats[format], &local);
    text.assign(buffer, length);  // 0 on overflow: the text stays empty rather than half written
}
