# The shipped tree: langpack.exe, drvbridge.dll with its header and import
# library (installed by drvbridge/), the reference pages, the changelog and
# the license. `cmake --install` and the ZIP from cpack hold the same files.

if(TARGET langpack)
  install(TARGETS langpack RUNTIME DESTINATION bin)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION docs FILES_MATCHING PATTERN "*.md")
install(FILES ${CMAKE_SOURCE_DIR}/CHANGELOG.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)

# The binary contract, read from the built files on every test run.
if(BUILD_TESTING AND TARGET langpack AND TARGET drvbridge)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(machine amd64)
  else()
    set(machine i386)
  endif()
  foreach(module langpack drvbridge)
    add_test(NAME contract_${module}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/pecheck.py
              ${module} $<TARGET_FILE:${module}> --version ${PROJECT_VERSION} --machine ${machine})
  endforeach()
  # The check itself: damaged copies of both binaries must fail it.
  add_test(NAME contract_drift
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/pecheck_test.py
            $<TARGET_FILE:langpack> $<TARGET_FILE:drvbridge> ${PROJECT_VERSION} ${machine})
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "KAVEN")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
if(WIN32)
  set(CPACK_SYSTEM_NAME win32)
endif()
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
# The ZIP and cpack's staging tree stay in the build folder, wherever cpack runs.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/dist)
# Only what the install rules above and in drvbridge/ name; no build tree.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
