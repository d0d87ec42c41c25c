#include "CommOptionsObj.h"

#include "DeviceName.h"

#include "LocalClock.h"

#include <limits>

namespace {

constexpr std::size_t MaxTerminalNameLength = 12;
constexpr std::size_t MaxTerminalStemLength = 8;
constexpr std::size_t MaxTerminalExtensionLength = 4;
constexpr std::size_t MinPcFileLength = 3;

constexpr std::uint32_t TimeDateFmtCount = 20;
constexpr std::uint32_t LastOptionKind = optDeleteFiles;
constexpr std::uint32_t LastDownType = downNewFile;

void Refuse(std::int32_t code)
{
    throw CCommOptExcept(code);
}

void CheckPcFile(const std::wstring& pcFile)
{
    if (pcFile.size() < MinPcFileLength)
        Refuse(OptionRefusal::BadPcFile);
}

void CheckReceivePcFile(const std::wstring& pcFile)
{
    CheckPcFile(pcFile);
    if (!CCommOptionsObj::IsStorablePcFileName(pcFile))
        Refuse(OptionRefusal::BadPcFile);
}

// The file name of a path: after its last separator, or after the drive of "C:name".
std::wstring LastPathPart(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos)
        return path.substr(separator + 1);
    if (path.size() >= 2 && path[1] == L':')
        return path.substr(2);
    return path;
}

void CheckTerminalFile(const std::wstring& terminalFile)
{
    if (!CCommOptionsObj::IsValidTerminalFileName(terminalFile))
        Refuse(OptionRefusal::BadTerminalFile);
}

bool FitsInt16(int value)
{
    return value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max();
}

}  // namespace

CCommOptionsObj::CCommOptionsObj() = default;

CCommOptionsObj::CCommOptionsObj(enumTimeDateFmt fmt) : kind(optGetTimeDate)
{
    if (static_cast<std::uint32_t>(fmt) >= TimeDateFmtCount)
        Refuse(OptionRefusal::BadTimeDateFmt);
    timeDateFmt = fmt;
}

CCommOptionsObj::CCommOptionsObj(std::int16_t hours_, std::int16_t minutes_, std::int16_t seconds_, std::int16_t day_,
                                 std::int16_t month_, std::int16_t year_)
    : kind(optSetTimeDate)
{
    std::tm local{};
    if (!NormaliseLocalClock({hours_, minutes_, seconds_, day_, month_, year_}, local))
        Refuse(OptionRefusal::BadTimeDate);
    // Normalising can carry into the next year; a year the 16-bit field cannot hold is refused.
    const int fullYear = local.tm_year + 1900;
    if (!FitsInt16(fullYear))
        Refuse(OptionRefusal::BadTimeDate);

    hours = static_cast<std::int16_t>(local.tm_hour);
    minutes = static_cast<std::int16_t>(local.tm_min);
    seconds = static_cast<std::int16_t>(local.tm_sec);
    day = static_cast<std::int16_t>(local.tm_mday);
    month = static_cast<std::int16_t>(local.tm_mon + 1);
    year = static_cast<std::int16_t>(fullYear);
}

CCommOptionsObj::CCommOptionsObj(enumOptionKind kind_)
{
    if (static_cast<std::uint32_t>(kind_) > LastOptionKind)
        Refuse(OptionRefusal::BadKind);
    kind = kind_;
}

CCommOptionsObj::CCommOptionsObj(const std::wstring& pcFile_, enumDownType downType_, const std::wstring& terminalFile_,
                                 std::int16_t terminalDrive_, bool contOnNotAvail_)
    : kind(optReceiveFile)
{
    CheckReceivePcFile(pcFile_);
    pcFile = pcFile_;
    if (static_cast<std::uint32_t>(downType_) > LastDownType)
        Refuse(OptionRefusal::BadDownType);
    downType = downType_;
    CheckTerminalFile(terminalFile_);
    terminalFile = terminalFile_;
    terminalDrive = terminalDrive_;
    contOnNotAvail = contOnNotAvail_;
}

CCommOptionsObj::CCommOptionsObj(const std::wstring& pcFile_, const std::wstring& terminalFile_,
                                 std::int16_t terminalDrive_, bool contOnNotAvail_)
    : kind(optTransmitFile)
{
    CheckPcFile(pcFile_);
    pcFile = pcFile_;
    CheckTerminalFile(terminalFile_);
    terminalFile = terminalFile_;
    terminalDrive = terminalDrive_;
    contOnNotAvail = contOnNotAvail_;
}

CCommOptionsObj::CCommOptionsObj(enumOptionKind kind_, const std::wstring& pattern, std::int16_t terminalDrive_)
    : kind(kind_)
{
    CheckTerminalFile(pattern);
    terminalFile = pattern;
    terminalDrive = terminalDrive_;
}

bool CCommOptionsObj::IsValidTerminalFileName(const std::wstring& name)
{
    if (name.size() > MaxTerminalNameLength)
        return false;
    if (name.find_first_of(L"<>:\"/\\| ") != std::wstring::npos)
        return false;

    const std::size_t dot = name.find(L'.');
    if (dot == std::wstring::npos)
        return name.size() <= MaxTerminalStemLength;
    if (name.find(L'.', dot + 1) != std::wstring::npos)
        return false;
    if (dot > MaxTerminalStemLength)
        return false;
    return name.size() - dot - 1 <= MaxTerminalExtensionLength;
}

bool CCommOptionsObj::IsStorablePcFileName(const std::wstring& path)
{
    return CheckPcFileName(LastPathPart(path)) == PcFileNameProblem::none;
}
