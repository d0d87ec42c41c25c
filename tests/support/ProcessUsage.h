#pragma once
// The process's handle count and private bytes, as the long-run measurements compare them.

#include <windows.h>

struct ProcessUsage {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;

    static ProcessUsage Measure();
};
