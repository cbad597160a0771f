# Windows test programs run under Wine through ctest. Every target run by
# add_test() goes through the emulator, so tests are written exactly as on
# Windows. ZELT_WIDTH (32 or 64) picks the Wine of the build's width.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ZELT_WIDTH 64)
else()
  set(ZELT_WIDTH 32)
endif()
set(ZELT_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Private Wine prefix for the tests")

# ZELT_HOST_I386 overrides the host decision with yes or no; anything else is
# a mistake, never a reason to skip.
set(override "$ENV{ZELT_HOST_I386}")
if(NOT override STREQUAL "" AND NOT override STREQUAL "yes" AND NOT override STREQUAL "no")
  message(FATAL_ERROR "ZELT_HOST_I386 must be yes or no (or unset), not '${override}'")
endif()

# The one decision about the host, made here at configure time and kept in
# the build folder: the build's runner (wine-run in the build folder) hands it
# to cmake/wine-run.sh for every Wine test, and host-i386.txt shows it. Only
# the kernel's refusal of i386 programs means "skip"; a probe that cannot
# answer stops the configure. Builds without tests need no Wine.
set(ZELT_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
if(BUILD_TESTING)
  set(runner_env "")
  if(ZELT_WIDTH EQUAL 32)
    execute_process(COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/host-runs-i386.sh
      RESULT_VARIABLE rc OUTPUT_VARIABLE why ERROR_VARIABLE err
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
    if(rc STREQUAL "0")
      set(decision yes)
      set(note "run (this host runs i386 code)")
    elseif(rc STREQUAL "1")
      set(decision no)
      set(note "SKIPPED: ${why}")
    else()
      message(FATAL_ERROR "Cannot tell whether this host runs i386 code, which the 32-bit "
        "Wine tests need to know:\n${err}")
    endif()
    message(STATUS "32-bit Wine tests: ${note}")
    # For the few tests that do not go through the runner.
    set(ZELT_HOST_I386_DECISION ${decision})
    file(WRITE ${CMAKE_BINARY_DIR}/host-i386.txt "${note}\n")
    string(REPLACE "'" "" why "${why}")
    set(runner_env "decision=${decision}
why='${why}'
# A different ZELT_HOST_I386 now would contradict the decision the tests run by.
case \"\${ZELT_HOST_I386:-}\" in
  \"\" | \"\$decision\") ;;
  *) echo \"wine-run: this build decided at configure time that 32-bit Wine runs here: \$decision;\" \\
       \"ZELT_HOST_I386 now says '\$ZELT_HOST_I386'. Configure the build again to change it.\" >&2
     exit 2 ;;
esac
export ZELT_HOST_I386=\$decision ZELT_HOST_I386_WHY=\"\$why\"
")
  endif()
  file(WRITE ${ZELT_WINE_RUN} "#!/bin/sh
# This build's Wine runner, written at configure time.
${runner_env}exec sh '${CMAKE_SOURCE_DIR}/cmake/wine-run.sh' \"\$@\"
")
  file(CHMOD ${ZELT_WINE_RUN} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()
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
# Every Wine test requires this fixture, so its cleanup, which ends the
# prefix's Wine server, runs after them even when ctest -R picks a few.
set(ZELT_WINE_FIXTURE wine_prefix)

if(BUILD_TESTING)
  # The runner's own skip and failure paths, and the server finder's.
  add_test(NAME wine_runner_tests
    COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/tests/wine-run-test.sh ${ZELT_WINE_RUN} ${ZELT_WIDTH})
  set_tests_properties(wine_runner_tests PROPERTIES TIMEOUT 300)
endif()

# The debugger that reads the modules' trace (OutputDebugString lines).
if(BUILD_TESTING)
  add_subdirectory(${CMAKE_SOURCE_DIR}/cmake/debug_capture)
endif()

# Called last by the top-level list: the prefix's Wine server (and with it
# the services that keep it alive) ends after every test, and a last test
# shows that none is left.
function(zelt_add_wine_cleanup)
  if(NOT BUILD_TESTING)
    return()
  endif()
  add_test(NAME wine_servers_stop
    COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-servers.sh stop ${ZELT_WIDTH} ${ZELT_WINEPREFIX})
  add_test(NAME wine_servers_none_left
    COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-servers.sh check ${ZELT_WINEPREFIX})
  # Every test of the build runs before the stop, the ones outside the
  # fixture too (DEPENDS orders a full run).
  set(all "")
  set(dirs ${CMAKE_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(tests DIRECTORY ${dir} PROPERTY TESTS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND all ${tests})
    list(APPEND dirs ${subdirs})
  endwhile()
  list(REMOVE_ITEM all wine_servers_stop wine_servers_none_left)
  set_tests_properties(wine_servers_stop PROPERTIES TIMEOUT 120
    FIXTURES_CLEANUP ${ZELT_WINE_FIXTURE} FIXTURES_SETUP wine_servers_stopped DEPENDS "${all}")
  set_tests_properties(wine_servers_none_left PROPERTIES TIMEOUT 120
    FIXTURES_REQUIRED wine_servers_stopped)
endfunction()
