#include "framework/Resources.h"

namespace {

HINSTANCE& CurrentResourceModule()
{
    static HINSTANCE module = nullptr;
    return module;
}

}  // namespace

HINSTANCE ResourceModule()
{
    HINSTANCE module = CurrentResourceModule();
    return module ? module : GetModuleHandleW(nullptr);
}

void SetResourceModule(HINSTANCE module)
{
    CurrentResourceModule() = module;
}

bool TryLoadStringResource(UINT id, std::wstring& text)
{
    // With a zero buffer size LoadStringW hands out a pointer to the resource text itself, which
    // is not terminated; its length is the result. An empty string and a missing one both give 0.
    const wchar_t* resource = nullptr;
    int length = LoadStringW(ResourceModule(), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || resource == nullptr)
        return false;
    text.assign(resource, static_cast<size_t>(length));
    return true;
}

std::wstring LoadStringResource(UINT id)
{
    std::wstring text;
    TryLoadStringResource(id, text);
    return text;
}

std::wstring LoadStringResourceOrOwn(UINT id)
{
    std::wstring text;
    if (TryLoadStringResource(id, text))
        return text;
    const wchar_t* resource = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length > 0 && resource != nullptr)
        text.assign(resource, static_cast<size_t>(length));
    return text;
}

std::wstring FirstLine(const std::wstring& text)
{
    size_t end = text.find(L'\n');
    return end == std::wstring::npos ? text : text.substr(0, end);
}
