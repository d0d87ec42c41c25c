// The terminal protocol writes every number of more than one byte most significant byte first.
#pragma once

#include <windows.h>

#include <cstdint>

inline void PutBigEndian16(BYTE* at, std::uint32_t value)
{
    at[0] = static_cast<BYTE>(value >> 8);
    at[1] = static_cast<BYTE>(value);
}

inline void PutBigEndian24(BYTE* at, std::uint32_t value)
{
    at[0] = static_cast<BYTE>(value >> 16);
    PutBigEndian16(at + 1, value);
}

inline void PutBigEndian32(BYTE* at, std::uint32_t value)
{
    at[0] = static_cast<BYTE>(value >> 24);
    PutBigEndian24(at + 1, value);
}

inline std::uint32_t GetBigEndian16(const BYTE* at)
{
    return (static_cast<std::uint32_t>(at[0]) << 8) | at[1];
}

inline std::uint32_t GetBigEndian24(const BYTE* at)
{
    return (static_cast<std::uint32_t>(at[0]) << 16) | GetBigEndian16(at + 1);
}

inline std::uint32_t GetBigEndian32(const BYTE* at)
{
    return (static_cast<std::uint32_t>(at[0]) << 24) | GetBigEndian24(at + 1);
}
