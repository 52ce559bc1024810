# Installs the module into a fresh prefix, builds docs/examples/host against it with
# find_package, and runs it: it starts proe_sim through the module's own start path,
# opens plate.asm.1, lists its dependencies and disconnects.
if(SANITIZE)
  # A host built without the sanitizer cannot load a sanitized library.
  message(STATUS "skipped in sanitizer builds")
  return()
endif()

set(work ${BINARY_DIR}/installed-host-test)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/tmp)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${work}/prefix)
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/docs/examples/host -B ${work}/build
    -DCMAKE_PREFIX_PATH=${work}/prefix)
run(${CMAKE_COMMAND} --build ${work}/build)

file(WRITE ${work}/start_cad.sh "#!/bin/sh\nexec '${PROE_SIM}' >/dev/null 2>&1\n")
file(CHMOD ${work}/start_cad.sh PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

set(env ${CMAKE_COMMAND} -E env TMPDIR=${work}/tmp PRO_COMM_MSG_EXE=/bin/true)
execute_process(COMMAND ${env} ${work}/build/host_example ${work}/start_cad.sh
                        ${SOURCE_DIR}/samples/models/plate.asm.1
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
execute_process(COMMAND ${env} ${PROE_SIM} ctl exit
                OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "host_example failed (${rc}):\n${out}\n${err}")
endif()
set(models ${SOURCE_DIR}/samples/models)
set(expected "depends on ${models}/bracket.prt.1|${models}/bolt.prt.1|${models}/washer.prt.1|${models}/fastener.asm.1|${models}/träger.prt.1")
string(FIND "${out}" "${expected}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "unexpected output:\n${out}\nexpected a line:\n${expected}")
endif()
message(STATUS "${out}")
