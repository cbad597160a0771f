# Windows test programs run under Wine through ctest. Every target run by
# add_test() goes through the emulator, so tests are written exactly as on
# Windows. ZELT_WIDTH (32 or 64) picks the Wine of the build's width.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ZELT_WIDTH 64)
else()
  set(ZELT_WIDTH 32)
endif()
set(ZELT_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Private Wine prefix for the tests")
set(ZELT_WINE_RUN ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZELT_WINE_RUN} ${ZELT_WIDTH} ${ZELT_WINEPREFIX})

# Host path -> path that a Windows program under Wine understands (Z: is the
# Unix root in every prefix).
function(zelt_wine_path out path)
  string(REPLACE "/" "\\" winpath "${path}")
  set(${out} "Z:${winpath}" PARENT_SCOPE)
endfunction()

# Exit code 77 of wine-run.sh: this host cannot run the build's Wine. Every
# Windows test carries it as SKIP_RETURN_CODE, so ctest says "skipped", not
# "passed" or "failed".
set(ZELT_WINE_SKIP_CODE 77)

# The runner's own skip and failure paths (no Wine program involved).
if(BUILD_TESTING)
  add_test(NAME wine_runner_tests COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/tests/wine-run-test.sh)
  set_tests_properties(wine_runner_tests PROPERTIES TIMEOUT 300)
endif()

# The debugger that reads the modules' trace (OutputDebugString lines).
if(BUILD_TESTING)
  add_subdirectory(${CMAKE_SOURCE_DIR}/cmake/debug_capture)
endif()
