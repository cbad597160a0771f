# Shared part of the mingw-w64 toolchain files: the caller sets
# ZELT_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first. Posix-thread compilers,
# since GoogleTest needs std::mutex.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${ZELT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${ZELT_MINGW_TRIPLET}-windres)
set(CMAKE_AR           ${ZELT_MINGW_TRIPLET}-ar)
set(CMAKE_RANLIB       ${ZELT_MINGW_TRIPLET}-ranlib)
set(CMAKE_OBJDUMP      ${ZELT_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${ZELT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# zlib is linked statically; never pick up an import library for zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
