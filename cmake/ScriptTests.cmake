# Tests of the project's scripts themselves (host builds).
if(NOT BUILD_TESTING OR CMAKE_CROSSCOMPILING)
  return()
endif()
# release-tests.sh cleans up every step even when the first one fails.
add_test(NAME release_tests_cleanup
  COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/tests/release-tests-cleanup-test.sh ${CMAKE_SOURCE_DIR})
set_tests_properties(release_tests_cleanup PROPERTIES TIMEOUT 120 LABELS scripts)
