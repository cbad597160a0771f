# Cross build for 32-bit Windows (i386) with Debian's mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZELT_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
