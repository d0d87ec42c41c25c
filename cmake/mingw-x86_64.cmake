# The same sources built for 64-bit Windows: the build the tests run in, on machines whose kernel
# cannot execute the 32-bit Wine loader.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(WEXLINK_MINGW_TRIPLE x86_64-w64-mingw32)
set(WEXLINK_WINE_ARCH_DIR x86_64-windows)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
