// The owner of a device-information set. Apart from the other handle kinds, since only programs that
// use the device-installation functions should need their header (and the library, for
// CUniqueDeviceInfoList).
#pragma once

#include "UniqueHandle.h"

#include <windows.h>
#include <setupapi.h>

// The SetupDi functions return INVALID_HANDLE_VALUE for a set they could not make; null is no set
// either.
struct DeviceInfoListTraits {
    using Handle = HDEVINFO;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle set) { return set != INVALID_HANDLE_VALUE && set != nullptr; }
    static void Close(Handle set) { SetupDiDestroyDeviceInfoList(set); }
};
using CUniqueDeviceInfoList = CUniqueHandle<DeviceInfoListTraits>;

// For a program that loads the device-installation library at run time, so that it still starts
// where the library is missing: the set is destroyed through the function it looked up.
struct LoadedDeviceInfoListTraits : DeviceInfoListTraits {
    using DestroyFn = decltype(&SetupDiDestroyDeviceInfoList);
    explicit LoadedDeviceInfoListTraits(DestroyFn destroyFn = nullptr) : destroy(destroyFn) {}
    void Close(Handle set) const { destroy(set); }

    DestroyFn destroy;
};
using CLoadedDeviceInfoList = CUniqueHandle<LoadedDeviceInfoListTraits>;
