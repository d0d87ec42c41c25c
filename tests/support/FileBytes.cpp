#include "FileBytes.h"

#include "UniqueHandle.h"

#include <windows.h>

SimBytes ReadFileBytes(const std::wstring& path)
{
    SimBytes bytes;
    const CUniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return bytes;
    }
    bytes.resize(GetFileSize(file.Get(), nullptr));
    DWORD read = 0;
    if (!bytes.empty()) {
        ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    }
    bytes.resize(read);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const SimBytes& data)
{
    const CUniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    return data.empty() || (WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                            written == data.size());
}

std::wstring TempPath(const std::wstring& name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return folder + name;
}

SimBytes PatternBytes(size_t size, uint8_t seed)
{
    SimBytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
    }
    return bytes;
}
