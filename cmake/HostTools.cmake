# Build-host tools for the cross build: tools/ is configured again with the
# native compiler (no toolchain file) as an external project.
include(ExternalProject)
set(ZELT_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/hosttools)
set(ZELT_HOST_TOOLS_BIN ${ZELT_HOST_TOOLS_DIR}/bin)
ExternalProject_Add(zelt_host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
  BINARY_DIR ${ZELT_HOST_TOOLS_DIR}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${ZELT_HOST_TOOLS_BIN}
             -DBUILD_TESTING=OFF
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${ZELT_HOST_TOOLS_BIN}/payloadrc ${ZELT_HOST_TOOLS_BIN}/lpsample)

# Custom commands name a tool by path and depend on ZELT_HOST_TOOLS_DEPENDS.
set(ZELT_PAYLOADRC ${ZELT_HOST_TOOLS_BIN}/payloadrc)
set(ZELT_LPSAMPLE ${ZELT_HOST_TOOLS_BIN}/lpsample)
set(ZELT_HOST_TOOLS_DEPENDS zelt_host_tools)
