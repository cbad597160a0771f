# The shipped tree. The win32 build installs langpack.exe, lppack.exe (tools/), the i386
# drvbridge.dll (bin/), its import library and import definition (lib/) and
# drvbridge.h; the win64 build installs the x64 drvbridge.dll and its import
# library (x64/). Both install the CMake package (lib/cmake/drvbridge/), the
# reference pages, the changelog and the license. scripts/package.sh installs
# both builds into one prefix, signs and zips it.

# langpack.exe ships as the 32-bit program only; it runs on 64-bit Windows.
if(TARGET langpack AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  install(TARGETS langpack RUNTIME DESTINATION bin)
  # The packer for a driver team's own files, 32-bit like the program it fills.
  install(TARGETS lppack RUNTIME DESTINATION tools)
endif()
# The users' pages; the maintainers' pages (performance, robustness, release)
# stay in the repository. The entry page goes to the tree's root.
install(FILES ${CMAKE_SOURCE_DIR}/docs/integration.md ${CMAKE_SOURCE_DIR}/docs/langpack.md
              ${CMAKE_SOURCE_DIR}/docs/drvbridge.md
        DESTINATION docs)
install(FILES ${CMAKE_SOURCE_DIR}/docs/package-readme.md DESTINATION . RENAME README.md)
install(FILES ${CMAKE_SOURCE_DIR}/examples/start_langpack.c ${CMAKE_SOURCE_DIR}/examples/bridge_client.c
              ${CMAKE_SOURCE_DIR}/examples/sample_settings.c ${CMAKE_SOURCE_DIR}/examples/sample_settings.def
        DESTINATION examples)
install(FILES ${CMAKE_SOURCE_DIR}/CHANGELOG.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)

# The binary contract, read from the built files on every test run.
if(BUILD_TESTING AND TARGET langpack AND TARGET drvbridge)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(machine amd64)
  else()
    set(machine i386)
  endif()
  foreach(module langpack drvbridge lppack)
    add_test(NAME contract_${module}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/pecheck.py
              ${module} $<TARGET_FILE:${module}> --version ${PROJECT_VERSION} --machine ${machine})
  endforeach()
  # The check itself: damaged copies of both binaries must fail it.
  add_test(NAME contract_drift
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/pecheck_test.py
            $<TARGET_FILE:langpack> $<TARGET_FILE:drvbridge> ${PROJECT_VERSION} ${machine})
endif()
