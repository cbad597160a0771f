# format_check: every C and C++ file of the tree as .clang-format writes it
# (host builds), by clang-format 14 only: other versions format differently.
if(NOT BUILD_TESTING OR CMAKE_CROSSCOMPILING)
  return()
endif()
find_program(ZELT_CLANG_FORMAT_14 NAMES clang-format-14)
set(ZELT_CLANG_FORMAT "${ZELT_CLANG_FORMAT_14}")
if(NOT ZELT_CLANG_FORMAT)
  # Still registered: without the tool the test fails and says why.
  set(ZELT_CLANG_FORMAT "")
endif()
add_test(NAME format_check
  COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/format-check.sh "${ZELT_CLANG_FORMAT}"
          ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(format_check PROPERTIES TIMEOUT 300 LABELS style)
# The check's own cases: no tool, another version, a file formatted or not.
add_test(NAME format_check_tests
  COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/tests/format-check-test.sh "${ZELT_CLANG_FORMAT}" ${CMAKE_SOURCE_DIR})
set_tests_properties(format_check_tests PROPERTIES TIMEOUT 120 LABELS style)
