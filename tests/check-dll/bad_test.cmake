# Passes when a command fails with exit status 1 and its output matches
# FAULT: check-dll on a DLL made to break a rule, which must both say which
# and fail, since scripts and CTest go by the status alone.
#
#   cmake -DFAULT=REGEX -P tests/check-dll/bad_test.cmake -- [EMULATOR...] PROGRAM ARGS...
include(${CMAKE_CURRENT_LIST_DIR}/../command_after_dashes.cmake)
execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE said)
message("${said}")
if(NOT status STREQUAL "1")
    message(FATAL_ERROR "Exit status ${status}, expected 1")
elseif(NOT said MATCHES "${FAULT}")
    message(FATAL_ERROR "No line matching \"${FAULT}\" in the output")
endif()
