# Two fresh runs of the packer over the build's inputs must give the build's
# members and script byte for byte; the script must compile to the same
# object; and re-linking langpack.exe with that object must give the same exe.
#
#   cmake -DPAYLOADRC= -DINPUTS= -DPACKED= -DWINDRES= -DWORK= -DBUILD_DIR=
#         -DNINJA= -DPAYLOAD_OBJ= -DLANGPACK= -P reproducible.cmake

function(must_equal a b)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a} ${b} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "not byte-identical: ${a} and ${b}")
  endif()
endfunction()

# Pack with the build's own MTIME so that only the bytes' origin is compared.
file(READ ${PACKED}/file0000.001.gz head LIMIT 8 HEX)
string(SUBSTRING "${head}" 8 8 t)
string(REGEX REPLACE "(..)(..)(..)(..)" "0x\\4\\3\\2\\1" t "${t}")
math(EXPR epoch "${t}")

file(REMOVE_RECURSE ${WORK})
foreach(run a b)
  file(MAKE_DIRECTORY ${WORK}/${run})
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch} ${PAYLOADRC} --out ${WORK}/${run} --list ${INPUTS}
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "payloadrc failed (${rc})")
  endif()
  execute_process(COMMAND ${WINDRES} -O coff ${WORK}/${run}/payload.rc ${WORK}/${run}/payload.res.obj
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "windres failed (${rc})")
  endif()
endforeach()

file(GLOB members RELATIVE ${PACKED} ${PACKED}/*.gz)
list(LENGTH members count)
if(NOT count EQUAL 100)
  message(FATAL_ERROR "expected 100 members in ${PACKED}, found ${count}")
endif()
foreach(f ${members} payload.rc)
  must_equal(${WORK}/a/${f} ${WORK}/b/${f})
  must_equal(${WORK}/a/${f} ${PACKED}/${f})
endforeach()
must_equal(${WORK}/a/payload.res.obj ${WORK}/b/payload.res.obj)

# Re-link with the build's own link command, swapping in the fresh object.
execute_process(COMMAND ${NINJA} -C ${BUILD_DIR} -t commands langpack
                OUTPUT_VARIABLE cmds RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot read the link command of langpack")
endif()
string(REGEX REPLACE "\n$" "" cmds "${cmds}")
string(REGEX REPLACE "^.*\n" "" link "${cmds}")
file(RELATIVE_PATH obj_rel ${BUILD_DIR} ${PAYLOAD_OBJ})
file(RELATIVE_PATH exe_rel ${BUILD_DIR} ${LANGPACK})
string(FIND "${link}" " ${obj_rel} " at_obj)
string(FIND "${link}" "-o ${exe_rel} " at_exe)
if(at_obj LESS 0 OR at_exe LESS 0)
  message(FATAL_ERROR "unexpected link command: ${link}")
endif()
string(REPLACE " ${obj_rel} " " ${WORK}/b/payload.res.obj " link "${link}")
string(REPLACE "-o ${exe_rel} " "-o ${WORK}/langpack.exe " link "${link}")
string(REGEX REPLACE "-Wl,--out-implib,[^ ]+" "-Wl,--out-implib,${WORK}/implib.a" link "${link}")
execute_process(COMMAND sh -c "${link}" WORKING_DIRECTORY ${BUILD_DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "re-link failed: ${link}")
endif()
must_equal(${WORK}/langpack.exe ${LANGPACK})
file(REMOVE_RECURSE ${WORK})
