// The shared failure text: the all-users folder lookup returns it when the folder cannot be
// obtained, and its caller compares the result with it.
#pragma once

inline constexpr wchar_t ErrorText[] = L"Error";
