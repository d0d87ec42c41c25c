# The shipped deliverables: 32-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(WEXLINK_MINGW_TRIPLE i686-w64-mingw32)
set(WEXLINK_WINE_ARCH_DIR i386-windows)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
