# The scripts' own tests (host builds): they run
# stand-ins and fakes, so they install nothing and need no Wine.
if(NOT BUILD_TESTING OR CMAKE_CROSSCOMPILING)
  return()
endif()
add_test(NAME host_probe_tests COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/tests/host-probe-test.sh)
set_tests_properties(host_probe_tests PROPERTIES TIMEOUT 120 LABELS scripts)
add_test(NAME setup_tests COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/tests/setup-test.sh)
set_tests_properties(setup_tests PROPERTIES TIMEOUT 120 LABELS scripts)
# The check that the release ZIP's pages name only what it holds (the
# release tests run it on the ZIP), against small trees of its own.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME doclinks_tests COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/doclinks_test.py)
set_tests_properties(doclinks_tests PROPERTIES TIMEOUT 120 LABELS scripts)
# release-tests.sh cleans up every step even when the first one fails.
add_test(NAME release_tests_cleanup
  COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/tests/release-tests-cleanup-test.sh ${CMAKE_SOURCE_DIR})
set_tests_properties(release_tests_cleanup PROPERTIES TIMEOUT 120 LABELS scripts)
