# Whether docs/ci.md lists the steps of .ci/run as they are: each command
# that .ci/run runs (a line that starts with "bash "), in its order, is an
# item of the numbered list under "## `.ci/run`" in docs/ci.md that opens
# with that command in backquotes, and the list has no other item. Fails
# naming both lists when they differ.
#
#   cmake -DSOURCE_DIR=... -P tests/tools/ci_steps_test.cmake
file(STRINGS ${SOURCE_DIR}/.ci/run run_lines REGEX "^bash ")
file(READ ${SOURCE_DIR}/docs/ci.md page)
string(FIND "${page}" "## `.ci/run`" start)
if(start EQUAL -1)
    message(FATAL_ERROR "docs/ci.md has no section \"## `.ci/run`\"")
endif()
string(SUBSTRING "${page}" ${start} -1 section)
string(SUBSTRING "${section}" 3 -1 rest)
string(FIND "${rest}" "\n## " end)
if(NOT end EQUAL -1)
    string(SUBSTRING "${section}" 0 ${end} section)
endif()
string(REGEX MATCHALL "\n[0-9]+\\. `[^`]+`" items "${section}")
set(listed "")
foreach(item IN LISTS items)
    string(REGEX REPLACE "^\n[0-9]+\\. `([^`]+)`$" "\\1" command "${item}")
    list(APPEND listed "${command}")
endforeach()
if(NOT listed STREQUAL run_lines)
    list(JOIN run_lines "\n  " run_shown)
    list(JOIN listed "\n  " listed_shown)
    message(FATAL_ERROR "docs/ci.md does not list the steps of .ci/run as they are.\n"
                        ".ci/run runs:\n  ${run_shown}\n"
                        "docs/ci.md's numbered list under \"## `.ci/run`\" opens with:\n  ${listed_shown}\n"
                        "Make each item open with its command, in backquotes, in the same order.")
endif()
list(LENGTH listed count)
message(STATUS "docs/ci.md lists the ${count} steps of .ci/run in order")
