# Compiler settings for project code only (third-party code such as gtest is
# built without them).
add_library(zelt_warnings INTERFACE)
target_compile_options(zelt_warnings INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Werror -Wshadow -Wconversion -Wno-sign-conversion -Wformat=2 -Wundef>
  $<$<CXX_COMPILER_ID:MSVC>:/W4 /WX>)

# Reproducible output: no build paths in objects, no time stamps in PE headers.
add_compile_options(
  $<$<CXX_COMPILER_ID:GNU,Clang>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>
  $<$<CXX_COMPILER_ID:GNU,Clang>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>)
# The Visual Studio tools' equivalent: no time stamps in objects or images.
add_compile_options($<$<CXX_COMPILER_ID:MSVC>:/Brepro>)
add_link_options($<$<CXX_COMPILER_ID:MSVC>:/Brepro>)

if(WIN32 AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  # Static GCC runtime and winpthread: the binaries import system DLLs only.
  string(APPEND CMAKE_EXE_LINKER_FLAGS " -static -Wl,--no-insert-timestamp")
  string(APPEND CMAKE_SHARED_LINKER_FLAGS " -static -Wl,--no-insert-timestamp")
  # The oldest Windows the binaries run on, Vista (6.0), in the PE header:
  # langpack.exe imports functions that Windows XP lacks, and a system older
  # than the header says refuses to load the file instead of failing a call.
  # scripts/pecheck.py holds the imports to this floor.
  set(zelt_os_floor
      "-Wl,--major-os-version,6,--minor-os-version,0,--major-subsystem-version,6,--minor-subsystem-version,0")
  string(APPEND CMAKE_EXE_LINKER_FLAGS " ${zelt_os_floor}")
  string(APPEND CMAKE_SHARED_LINKER_FLAGS " ${zelt_os_floor}")
endif()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

# Debug information for the code that ships: scripts/package.sh moves it
# into the symbols ZIP and strips the binaries, so that a crash address from
# the field resolves to a function and line. -g leaves the code unchanged.
function(zelt_ship_debug_info)
  if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    foreach(target IN LISTS ARGN)
      target_compile_options(${target} PRIVATE -g)
    endforeach()
  endif()
endfunction()
