# Runs inside CPack once the archive is written (CPACK_POST_BUILD_SCRIPTS):
# normalises it with strip-nondeterminism, so that it is the same bytes
# whoever packs it, and wherever. libarchive, which CPack packs with, writes
# the packer's user and group IDs into every entry (the Info-ZIP "ux" field,
# 0x7875) and the MS-DOS times in the packer's time zone; afterwards every
# "ux" field holds user and group 0, every time in the archive is
# SOURCE_DATE_EPOCH (the MS-DOS ones taken in UTC), the entries are in
# name order and the modes are 644, or 755 for the DLL. A failure here
# fails CPack; scripts/package then copies nothing to dist/.
cmake_policy(VERSION 3.25)
find_program(STRIP_NONDETERMINISM strip-nondeterminism)
if(NOT STRIP_NONDETERMINISM)
    file(REMOVE ${CPACK_PACKAGE_FILES})
    message(FATAL_ERROR "Making the archive needs strip-nondeterminism (bash scripts/setup installs it)")
endif()
# Without SOURCE_DATE_EPOCH, the time of packing, which string(TIMESTAMP)
# gives then (and SOURCE_DATE_EPOCH when it is set).
string(TIMESTAMP epoch "%s" UTC)
# The same moment as a date, for people (string(TIMESTAMP) reads it back).
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
string(TIMESTAMP date "%Y-%m-%d %H:%M:%S UTC" UTC)
# The archive is read back by our own reader of its headers: strip-
# nondeterminism is judged by its exit status and by what it wrote, never by
# its words (1.14.1, Debian 13's, says "Normalized <archive>" on success;
# 1.13.1, Debian 12's, says nothing).
# What every header must hold once normalised: the MS-DOS date and time of
# SOURCE_DATE_EPOCH in UTC (to the even second below), as zip_headers words
# it, and SOURCE_DATE_EPOCH itself in the extended timestamp.
string(TIMESTAMP parts "%Y;%m;%d;%H;%M;%S" UTC)
list(TRANSFORM parts REPLACE "^0([0-9])$" "\\1")
list(GET parts 0 year)
list(GET parts 1 month)
list(GET parts 2 day)
list(GET parts 3 hour)
list(GET parts 4 minute)
list(GET parts 5 second)
math(EXPR dos "(((${year} - 1980) << 25) | (${month} << 21) | (${day} << 16) | (${hour} << 11) | (${minute} << 5) | (${second} >> 1))")
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/zip_headers.cmake)
zip_hex8(${dos} want_dos)
zip_hex8(${epoch} want_time)

# The headers of ARCHIVE, one item each (zip_headers, run as a script of
# its own so that an archive it cannot read is a fault here, not a stop).
function(read_headers archive out fault)
    execute_process(COMMAND ${CMAKE_COMMAND} -DARCHIVE=${archive}
                            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../cmake/zip_headers.cmake
                    RESULT_VARIABLE status OUTPUT_VARIABLE headers ERROR_VARIABLE said)
    string(STRIP "${headers}" headers)
    string(REPLACE "\n" ";" headers "${headers}")
    set(${out} "${headers}" PARENT_SCOPE)
    if(NOT status EQUAL 0 OR headers STREQUAL "")
        set(${fault} "its headers cannot be read: ${said}" PARENT_SCOPE)
    else()
        set(${fault} "" PARENT_SCOPE)
    endif()
endfunction()

# The names of an archive's entries, sorted, from its central directory.
function(entry_names headers out)
    set(names "")
    foreach(header IN LISTS headers)
        if(header MATCHES "^central ([^ ]+) ")
            list(APPEND names ${CMAKE_MATCH_1})
        endif()
    endforeach()
    list(SORT names)
    set(${out} "${names}" PARENT_SCOPE)
endfunction()

foreach(archive IN LISTS CPACK_PACKAGE_FILES)
    read_headers(${archive} headers fault)
    if(NOT fault STREQUAL "")
        file(REMOVE ${archive})
        message(FATAL_ERROR "${archive} as CPack wrote it: ${fault}")
    endif()
    entry_names("${headers}" before)
    # strip-nondeterminism writes the MS-DOS times in the local time zone.
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env TZ=UTC
                ${STRIP_NONDETERMINISM} --type zip --timestamp ${epoch} ${archive}
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    set(fault "")
    if(NOT status EQUAL 0)
        set(fault "it exited with status ${status}")
    else()
        # The same entries, now in name order; every header with the times
        # of SOURCE_DATE_EPOCH, every "ux" field user and group 0.
        read_headers(${archive} headers fault)
        entry_names("${headers}" after)
        if(NOT fault STREQUAL "")
        elseif(NOT after STREQUAL before)
            set(fault "its entries are not CPack's: ${before} became ${after}")
        endif()
        foreach(header IN LISTS headers)
            string(REPLACE " " ";" words "${header}")
            list(POP_FRONT words where entry time)
            if(NOT time STREQUAL want_dos)
                set(fault "${fault}${entry}: its ${where} header's MS-DOS time is ${time}, not ${want_dos} (${date})\n")
            endif()
            foreach(word IN LISTS words)
                if(word MATCHES "^5455:(.*)$")
                    string(REPLACE "," ";" times "${CMAKE_MATCH_1}")
                    list(REMOVE_ITEM times ${want_time})
                    if(times)
                        set(fault "${fault}${entry}: its ${where} header's extended timestamp holds ${word}, not ${want_time}\n")
                    endif()
                elseif(word MATCHES "^7875:" AND NOT word STREQUAL "7875:00000000,00000000")
                    set(fault "${fault}${entry}: its ${where} header's \"ux\" field holds another user or group than 0: ${word}\n")
                endif()
            endforeach()
        endforeach()
    endif()
    if(NOT fault STREQUAL "")
        # CPack would still copy the archive as it was and only fail at
        # its exit: none with the packer's IDs is left behind.
        file(REMOVE ${archive})
        message(FATAL_ERROR "strip-nondeterminism could not normalise ${archive}: ${fault}\n${output}")
    endif()
    get_filename_component(name ${archive} NAME)
    message(STATUS "${name}: normalised by strip-nondeterminism, user and group 0, every time ${date} (${epoch})")
endforeach()
