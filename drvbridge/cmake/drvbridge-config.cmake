# drvbridge CMake package: the imported target drvbridge::drvbridge (header,
# import library, DLL) of the consumer's width, x86 or x64.
#
#   find_package(drvbridge CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE drvbridge::drvbridge)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_drvbridge_width x64)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_drvbridge_width x86)
else()
  set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
  set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE
    "drvbridge: CMAKE_SIZEOF_VOID_P is '${CMAKE_SIZEOF_VOID_P}'; enable the C or CXX language before find_package(drvbridge)")
  return()
endif()

set(_drvbridge_targets ${CMAKE_CURRENT_LIST_DIR}/drvbridge-targets-${_drvbridge_width}.cmake)
if(NOT EXISTS ${_drvbridge_targets})
  set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
  set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE
    "drvbridge: this tree holds no ${_drvbridge_width} build (${CMAKE_CURRENT_LIST_DIR} has no drvbridge-targets-${_drvbridge_width}.cmake)")
  unset(_drvbridge_width)
  unset(_drvbridge_targets)
  return()
endif()

if(NOT TARGET drvbridge::drvbridge)
  include(${_drvbridge_targets})
endif()
unset(_drvbridge_width)
unset(_drvbridge_targets)
