# Windows test programs run under Wine through ctest. Every target run by
# add_test() goes through the emulator, so tests are written exactly as on
# Windows.
set(ZELT_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Private Wine prefix for the tests")
set(ZELT_WINE_RUN ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZELT_WINE_RUN} ${ZELT_WINEPREFIX})

# Host path -> path that a Windows program under Wine understands (Z: is the
# Unix root in every prefix).
function(zelt_wine_path out path)
  string(REPLACE "/" "\\" winpath "${path}")
  set(${out} "Z:${winpath}" PARENT_SCOPE)
endfunction()
