# Whether CTest runs every test of the test program: GoogleTest lists the
# tests that a negative filter of every filter CTest runs the program with
# leaves (--gtest_list_tests --gtest_filter=-A.*:B.*...). Those would never
# run; there must be none, and this fails naming each. The program must
# list tests at all without that filter, or an empty list would prove
# nothing.
#
#   cmake -DFILTERS=A.*:B.* -P check_registered.cmake -- [EMULATOR...] PROGRAM
if(NOT FILTERS)
    message(FATAL_ERROR "No FILTERS given")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/command_after_dashes.cmake)

# Sets the variable named by out to the full names (Suite.Test) that the
# program lists with the given filter. GoogleTest lists each suite as
# "Suite." and its tests under it as "  Test", a parameter after " #".
function(list_tests filter out)
    execute_process(COMMAND ${command} --gtest_list_tests --gtest_filter=${filter}
                    RESULT_VARIABLE status OUTPUT_VARIABLE listed ERROR_VARIABLE errors
                    TIMEOUT 60)
    if(NOT status STREQUAL "0")
        message(FATAL_ERROR "Listing the tests (filter ${filter}) failed: ${status}\n${listed}${errors}")
    endif()
    string(REPLACE "\r" "" listed "${listed}")
    string(REPLACE "\n" ";" lines "${listed}")
    set(names "")
    set(suite "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE " +#.*$" "" line "${line}")
        if(line MATCHES "^([^ ]+\\.)$")
            set(suite "${CMAKE_MATCH_1}")
        elseif(line MATCHES "^  ([^ ]+)$" AND suite)
            list(APPEND names "${suite}${CMAKE_MATCH_1}")
        elseif(NOT line STREQUAL "")
            message(FATAL_ERROR "Unexpected line in the list of tests (filter ${filter}): ${line}")
        endif()
    endforeach()
    set(${out} "${names}" PARENT_SCOPE)
endfunction()

list_tests("*" all)
list(LENGTH all total)
if(total EQUAL 0)
    message(FATAL_ERROR "The test program lists no test at all")
endif()
list_tests("-${FILTERS}" unregistered)
if(unregistered)
    foreach(name IN LISTS unregistered)
        message("Not run by CTest: ${name}")
    endforeach()
    list(LENGTH unregistered count)
    message(FATAL_ERROR "${count} of the ${total} tests would never run: register each "
                        "one's suite with tolvaris_test() in tests/CMakeLists.txt")
endif()
message("Each of the ${total} tests is run by CTest.")
