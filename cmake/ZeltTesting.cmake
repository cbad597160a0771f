# zelt_add_gtest(TARGET name SOURCES src... [LIBS lib...] [ARGS arg...]
#                [LOCKS resource...] [ENVIRONMENT VAR=value...] [NO_MAIN])
# A GoogleTest program registered as one ctest test. In the cross build it
# runs under Wine (the emulator is prepended by ctest); LOCKS serialises tests
# that change shared state of the prefix (registry, spooler).
function(zelt_add_gtest)
  cmake_parse_arguments(PARSE_ARGV 0 arg "NO_MAIN" "TARGET" "SOURCES;LIBS;ARGS;LOCKS;ENVIRONMENT")
  add_executable(${arg_TARGET} ${arg_SOURCES})
  if(arg_NO_MAIN)
    target_link_libraries(${arg_TARGET} PRIVATE gtest gmock)
  else()
    target_link_libraries(${arg_TARGET} PRIVATE gtest_main gmock)
  endif()
  target_link_libraries(${arg_TARGET} PRIVATE ${arg_LIBS} zelt_warnings)
  add_test(NAME ${arg_TARGET} COMMAND ${arg_TARGET} ${arg_ARGS})
  set_tests_properties(${arg_TARGET} PROPERTIES TIMEOUT 900)
  if(WIN32)
    set_tests_properties(${arg_TARGET} PROPERTIES LABELS wine
      SKIP_RETURN_CODE ${ZELT_WINE_SKIP_CODE} FIXTURES_REQUIRED ${ZELT_WINE_FIXTURE})
  else()
    set_tests_properties(${arg_TARGET} PROPERTIES LABELS native)
  endif()
  if(arg_LOCKS)
    set_tests_properties(${arg_TARGET} PROPERTIES RESOURCE_LOCK "${arg_LOCKS}")
  endif()
  if(arg_ENVIRONMENT)
    set_tests_properties(${arg_TARGET} PROPERTIES ENVIRONMENT "${arg_ENVIRONMENT}")
  endif()
endfunction()

# zelt_add_fuzz_replay(TARGET name SOURCES fuzz-target.cpp... [LIBS lib...]
#                      CORPUS dir...)
# A libFuzzer target's source built without libFuzzer and run once over its
# corpus folders, so the corpus and every kept reproducer stay regression
# inputs of the ordinary (and sanitizer) test runs. Native builds only.
function(zelt_add_fuzz_replay)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET" "SOURCES;LIBS;CORPUS")
  add_executable(${arg_TARGET} ${arg_SOURCES} ${PROJECT_SOURCE_DIR}/cmake/fuzz_replay.cpp)
  target_link_libraries(${arg_TARGET} PRIVATE ${arg_LIBS} zelt_warnings)
  add_test(NAME ${arg_TARGET} COMMAND ${arg_TARGET} ${arg_CORPUS})
  set_tests_properties(${arg_TARGET} PROPERTIES TIMEOUT 900 LABELS native)
endfunction()
