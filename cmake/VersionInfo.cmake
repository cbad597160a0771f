# zelt_add_version_resource(target DESCRIPTION text [MANIFEST file])
# Gives a shipped binary a VERSIONINFO block carrying the project version and,
# with MANIFEST (relative to the calling folder), that application manifest as
# RT_MANIFEST id 1.
function(zelt_add_version_resource target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DESCRIPTION;MANIFEST" "")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(ZELT_VI_FILETYPE VFT_DLL)
    set(ZELT_VI_ORIGINAL ${target}.dll)
  else()
    set(ZELT_VI_FILETYPE VFT_APP)
    set(ZELT_VI_ORIGINAL ${target}.exe)
  endif()
  set(ZELT_VI_DESCRIPTION "${arg_DESCRIPTION}")
  set(ZELT_VI_INTERNAL ${target})
  set(ZELT_VI_MANIFEST "")
  if(arg_MANIFEST)
    get_filename_component(manifest ${arg_MANIFEST} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    zelt_refuse_default_manifest()
    # Neutral language; 1 is CREATEPROCESS_MANIFEST_RESOURCE_ID, 24 RT_MANIFEST.
    set(ZELT_VI_MANIFEST "LANGUAGE 0, 0\n1 24 \"${manifest}\"")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(arg_MANIFEST)
    # The resource compiler's output does not list the manifest as an input.
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
  endif()
endfunction()

# Some mingw-w64 packagings link a default-manifest.o into every program; with
# ours that would make two RT_MANIFEST resources, so such a toolchain is
# refused here rather than left to the contract check.
function(zelt_refuse_default_manifest)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=default-manifest.o
    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
  if(status EQUAL 0 AND IS_ABSOLUTE "${found}" AND EXISTS "${found}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} links its own manifest (${found}); "
      "the program's manifest would be doubled")
  endif()
endfunction()
