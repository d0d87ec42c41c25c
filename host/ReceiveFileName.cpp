#include "ReceiveFileName.h"

#include <cwchar>

namespace {

const wchar_t* const TimeFormats[] = {L"%H%M%S", L"%H%M", L"%H"};

const wchar_t* const DateFormats[] = {
    L"%d%m%Y", L"%d%m%y", L"%m%d%Y", L"%m%d%y", L"%Y%m%d", L"%y%m%d",
    L"%m%Y",   L"%m%y",   L"%Y%m",   L"%y%m",   L"%m%d",   L"%d%m",
};

enum Part { F, I, T, D };

// The order of the four parts for each order value; the receive dialog lists them in this order.
const Part Orders[24][4] = {
    {F, I, T, D}, {F, I, D, T}, {F, D, I, T}, {F, T, I, D}, {F, T, D, I}, {F, D, T, I}, {I, F, T, D}, {I, F, D, T},
    {D, F, I, T}, {T, F, I, D}, {T, F, D, I}, {D, F, T, I}, {I, T, F, D}, {I, D, F, T}, {D, I, F, T}, {T, I, F, D},
    {T, D, F, I}, {D, T, F, I}, {I, T, D, F}, {I, D, T, F}, {D, I, T, F}, {T, I, D, F}, {T, D, I, F}, {D, T, I, F},
};

template <size_t N>
std::wstring FormatMoment(const std::tm& now, const wchar_t* const (&formats)[N], int index)
{
    if (index < 0 || static_cast<size_t>(index) >= N) {
        return std::wstring();
    }
    wchar_t text[32];
    const size_t length = std::wcsftime(text, sizeof text / sizeof text[0], formats[index], &now);
    return std::wstring(text, length);
}

}  // namespace

std::wstring BuildReceiveFileNameAt(const std::tm& now, const std::wstring& base, bool useFilename, bool useTermId,
                                    long termId, bool useTime, int fmtTime, bool useDate, int fmtDate, int order)
{
    // Everything from the first dot on is the extension, so DATA.OLD.TXT keeps .OLD.TXT.
    const size_t dot = base.find(L'.');
    const std::wstring extension = dot == std::wstring::npos ? std::wstring() : base.substr(dot);

    std::wstring parts[4];
    if (useFilename) {
        parts[F] = base.substr(0, dot);
    }
    if (useTermId) {
        parts[I] = std::to_wstring(termId);
    }
    if (useTime) {
        parts[T] = FormatMoment(now, TimeFormats, fmtTime);
    }
    if (useDate) {
        parts[D] = FormatMoment(now, DateFormats, fmtDate);
    }

    std::wstring name;
    if (order >= 0 && order < 24) {
        for (Part part : Orders[order]) {
            name += parts[part];
        }
    }
    return name + extension;
}

std::wstring BuildReceiveFileName(const std::wstring& base, bool useFilename, bool useTermId, long termId, bool useTime,
                                  int fmtTime, bool useDate, int fmtDate, int order)
{
    const std::time_t seconds = std::time(nullptr);
    std::tm now{};
    localtime_s(&now, &seconds);
    return BuildReceiveFileNameAt(now, base, useFilename, useTermId, termId, useTime, fmtTime, useDate, fmtDate, order);
}
