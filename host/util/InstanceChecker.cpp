#include "util/InstanceChecker.h"

#include <cwchar>

namespace {

const wchar_t kApplicationGuid[] = L"{5B8E2F41-93C7-4D0A-B6E2-7F1C9A3D5E84}";
constexpr size_t kGuidLength = 38;
constexpr size_t kNameCapacity = MAX_PATH;

}  // namespace

CInstanceChecker::CInstanceChecker() : m_identifier(std::make_unique<wchar_t[]>(kGuidLength + 1))
{
    std::wcsncpy(m_identifier.get(), kApplicationGuid, kGuidLength);
    m_identifier[kGuidLength] = L'\0';
}

wchar_t* CInstanceChecker::GetMutexName(wchar_t* buffer) const
{
    if (buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::wcsncpy(buffer, m_identifier ? m_identifier.get() : L"", kGuidLength);
    buffer[kGuidLength] = L'\0';
    std::wcscat(buffer, L"-");
    size_t used = std::wcslen(buffer);
    DWORD needed = 0;
    DWORD room = static_cast<DWORD>((kNameCapacity - used) * sizeof(wchar_t));
    HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
    if (desktop == nullptr || !GetUserObjectInformationW(desktop, UOI_NAME, buffer + used, room, &needed))
        std::wcscpy(buffer + used, L"Win9x");
    buffer[kNameCapacity - 1] = L'\0';
    return buffer;
}

bool CInstanceChecker::ClaimInstance()
{
    if (m_hMutex)
        return true;
    wchar_t name[kNameCapacity];
    GetMutexName(name);
    m_hMutex.Reset(CreateMutexW(nullptr, FALSE, name));  // nothing held before: the last error stays
    DWORD error = GetLastError();
    return error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED;
}
