// The module that user-interface resources come from. It starts as the program itself and is
// swapped for a language library, so every resource load in the host goes through here.
#pragma once

#include <windows.h>
#include <string>

HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);

// The string from the current resource module; empty when the module lacks it.
std::wstring LoadStringResource(UINT id);
// Like LoadStringResource, but says whether the string was there (an empty one counts as missing).
bool TryLoadStringResource(UINT id, std::wstring& text);
// Like LoadStringResource, but a string that the current module lacks (a language library made
// before the string existed) comes from the program's own resources.
std::wstring LoadStringResourceOrOwn(UINT id);
// The part of a string resource before its first line break (menu prompts carry a tip after it).
std::wstring FirstLine(const std::wstring& text);
