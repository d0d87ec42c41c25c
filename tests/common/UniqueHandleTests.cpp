// The handle owner: each handle is closed exactly once, by the close function it came with, and a
// "no handle" value is never closed.
#include "DeviceInfoList.h"
#include "UniqueHandle.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Handles are numbers here; -1 is none. The closes go to the list the traits carry, so an owner
// that lost its traits on a move would close into the wrong list (or none).
struct LoggedTraits {
    using Handle = int;
    static Handle Invalid() { return -1; }
    static bool IsValid(Handle handle) { return handle != -1; }
    void Close(Handle handle) const { closed->push_back(handle); }

    std::vector<int>* closed = nullptr;
};
using LoggedHandle = CUniqueHandle<LoggedTraits>;

// A real kind of handle whose closes are only recorded, to check its notion of "no handle".
template <typename Real>
struct Recorded : Real {
    static void Close(typename Real::Handle handle) { closed.push_back(handle); }
    static inline std::vector<typename Real::Handle> closed;
};

// Owners of each of the values, created, reset, moved and destroyed.
template <typename Real>
std::vector<typename Real::Handle> ClosesOfOwners(std::vector<typename Real::Handle> values)
{
    using Owner = CUniqueHandle<Recorded<Real>>;
    Recorded<Real>::closed.clear();
    for (const auto value : values) {
        Owner owner(value);
        EXPECT_FALSE(owner);
        Owner moved(std::move(owner));
        moved.Reset(value);
        moved = Owner(value);
    }
    return Recorded<Real>::closed;
}

}  // namespace

TEST(UniqueHandle, MovingHandsOverTheHandleAndItsCloseExactlyOnce)
{
    std::vector<int> first;
    std::vector<int> second;
    {
        LoggedHandle a(1, LoggedTraits{&first});
        LoggedHandle b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(1, b.Get());
        LoggedHandle c(2, LoggedTraits{&second});
        c = std::move(b);  // 2 goes by its own close, 1 comes along with its own
        EXPECT_EQ((std::vector<int>{2}), second);
        EXPECT_TRUE(first.empty());
        LoggedHandle& same = c;
        c = std::move(same);  // keeps the handle open
        EXPECT_EQ(1, c.Get());
    }
    EXPECT_EQ((std::vector<int>{1}), first);
    EXPECT_EQ((std::vector<int>{2}), second);
}

TEST(UniqueHandle, ResetClosesTheOldHandleAndReleaseClosesNothing)
{
    std::vector<int> closed;
    {
        LoggedHandle owner(1, LoggedTraits{&closed});
        owner.Reset(2);
        EXPECT_EQ((std::vector<int>{1}), closed);
        *owner.Receive() = 3;
        EXPECT_EQ((std::vector<int>{1, 2}), closed);
        EXPECT_EQ(3, owner.Release());
        EXPECT_FALSE(owner);
    }
    EXPECT_EQ((std::vector<int>{1, 2}), closed);
}

TEST(UniqueHandle, TheNoHandleValuesOfEachKindAreNeverClosed)
{
    EXPECT_TRUE(ClosesOfOwners<FileHandleTraits>({INVALID_HANDLE_VALUE}).empty());
    EXPECT_TRUE(ClosesOfOwners<KernelHandleTraits>({nullptr}).empty());
    EXPECT_TRUE(ClosesOfOwners<RegistryKeyTraits>({nullptr, static_cast<HKEY>(INVALID_HANDLE_VALUE)}).empty());
    EXPECT_TRUE(ClosesOfOwners<LibraryTraits>({nullptr}).empty());
    EXPECT_TRUE(ClosesOfOwners<LocalMemoryTraits<void>>({nullptr}).empty());
    EXPECT_TRUE(ClosesOfOwners<DeviceInfoListTraits>({INVALID_HANDLE_VALUE, nullptr}).empty());
    EXPECT_TRUE(ClosesOfOwners<LoadedDeviceInfoListTraits>({INVALID_HANDLE_VALUE, nullptr}).empty());
}

TEST(UniqueHandle, AKernelObjectGoesWithItsOwner)
{
    // A named object exists as long as a handle to it is open: once it cannot be opened by its
    // name, the owner has closed the last handle.
    const std::wstring name = L"Local\\WexlinkUniqueHandleTest" + std::to_wstring(GetCurrentProcessId());
    auto exists = [&] { return CUniqueKernelHandle(OpenEventW(SYNCHRONIZE, FALSE, name.c_str())).IsValid(); };
    {
        CUniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
        ASSERT_TRUE(event);
        EXPECT_TRUE(exists());
        event.Reset();
        EXPECT_FALSE(exists());
    }
    {
        const CUniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
        ASSERT_TRUE(event);
    }
    EXPECT_FALSE(exists());
}
