# Passes when a command fails with exit status 1 and its output matches
# FAULT: check_dll on a DLL made to break a rule, which must both say which
# and fail, since scripts and CTest go by the status alone.
#
#   cmake -DFAULT=REGEX -P check_fails.cmake -- [EMULATOR...] PROGRAM ARGS...
set(command "")
set(taken FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
    if(taken)
        list(APPEND command "${CMAKE_ARGV${i}}")
    elseif(CMAKE_ARGV${i} STREQUAL "--")
        set(taken TRUE)
    endif()
endforeach()
execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE said)
message("${said}")
if(NOT status STREQUAL "1")
    message(FATAL_ERROR "Exit status ${status}, expected 1")
elseif(NOT said MATCHES "${FAULT}")
    message(FATAL_ERROR "No line matching \"${FAULT}\" in the output")
endif()
