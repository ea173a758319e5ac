# Runs pictool once and checks it (see pictool_test in CMakeLists.txt). Variables: EMULATOR,
# TOOL, ARGS ("|"-separated), EXIT, STDOUT / STDERR (regular expressions, empty: not checked),
# OUTPUT (a file pictool must write), EXPECTED (its expected content), OUTDIR (scratch folder).
file(MAKE_DIRECTORY "${OUTDIR}")
if(OUTPUT)
  file(REMOVE "${OUTPUT}")
endif()
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${EMULATOR} ${TOOL} ${args}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
# Wine now and then ends a program with status 1 before it has run (nothing printed, nothing
# written); pictool itself always says why it fails. Such a start is made once more.
if(NOT status STREQUAL "${EXIT}" AND out STREQUAL "" AND err STREQUAL "" AND EMULATOR)
  message(STATUS "pictool ended with exit status ${status} before it printed anything; "
                 "running it once more")
  if(DEFINED ENV{VORNADA_RESTART_LOG})
    file(APPEND "$ENV{VORNADA_RESTART_LOG}" "pictool ${ARGS} (exit status ${status})\n")
  endif()
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${args}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
endif()
if(NOT status STREQUAL "${EXIT}")
  message(FATAL_ERROR "exit status ${status}, expected ${EXIT}\nstdout:\n${out}\nstderr:\n${err}")
endif()
if(STDOUT AND NOT out MATCHES "${STDOUT}")
  message(FATAL_ERROR "stdout does not match ${STDOUT}:\n${out}")
endif()
if(STDERR AND NOT err MATCHES "${STDERR}")
  message(FATAL_ERROR "stderr does not match ${STDERR}:\n${err}")
endif()
if(OUTPUT)
  if(NOT EXISTS "${OUTPUT}")
    message(FATAL_ERROR "${OUTPUT} was not written")
  endif()
  if(EXPECTED)
    file(SHA256 "${OUTPUT}" got)
    file(SHA256 "${EXPECTED}" want)
    if(NOT got STREQUAL want)
      message(FATAL_ERROR "${OUTPUT} differs from ${EXPECTED}")
    endif()
  endif()
endif()
