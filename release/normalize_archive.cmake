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
# zipinfo reads the archive back: strip-nondeterminism is judged by its exit
# status and by what it wrote, never by its words (1.14.1, Debian 13's, says
# "Normalized <archive>" on success; 1.13.1, Debian 12's, says nothing).
find_program(ZIPINFO zipinfo)
if(NOT ZIPINFO)
    file(REMOVE ${CPACK_PACKAGE_FILES})
    message(FATAL_ERROR "Making the archive needs zipinfo (bash scripts/setup installs unzip)")
endif()
# The time every entry must show once normalised, to the minute: zipinfo
# shows the Unix time when the entry has one, the MS-DOS time (two-second
# steps) when not.
string(TIMESTAMP minute "%Y%m%d.%H%M" UTC)
foreach(archive IN LISTS CPACK_PACKAGE_FILES)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIPINFO} -1 ${archive}
                    RESULT_VARIABLE status OUTPUT_VARIABLE names_before ERROR_VARIABLE said)
    if(NOT status EQUAL 0 OR names_before STREQUAL "")
        file(REMOVE ${archive})
        message(FATAL_ERROR "zipinfo cannot read ${archive} as CPack wrote it:\n${said}")
    endif()
    # strip-nondeterminism writes the MS-DOS times in the local time zone.
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env TZ=UTC
                ${STRIP_NONDETERMINISM} --type zip --timestamp ${epoch} ${archive}
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    set(fault "")
    if(NOT status EQUAL 0)
        set(fault "it exited with status ${status}")
    else()
        execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIPINFO} -1 ${archive}
                        RESULT_VARIABLE status OUTPUT_VARIABLE names_after ERROR_VARIABLE said)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIPINFO} -T -s ${archive}
                        RESULT_VARIABLE listed OUTPUT_VARIABLE listing ERROR_VARIABLE said)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIPINFO} -v ${archive}
                        RESULT_VARIABLE detailed OUTPUT_VARIABLE details ERROR_VARIABLE said)
        if(NOT status EQUAL 0 OR NOT listed EQUAL 0 OR NOT detailed EQUAL 0)
            set(fault "zipinfo cannot read what it wrote: ${said}")
        endif()
        # The same entries, now in name order.
        string(REPLACE "\n" ";" before "${names_before}")
        string(REPLACE "\n" ";" after "${names_after}")
        list(SORT before)
        list(SORT after)
        if(NOT fault STREQUAL "")
        elseif(NOT after STREQUAL before)
            set(fault "its entries are not CPack's:\n${names_before}became\n${names_after}")
        else()
            # One line an entry, each with its time, as "20240102.030405".
            string(REGEX MATCHALL "\n[^\n]* [0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][.][0-9][0-9][0-9][0-9][0-9][0-9] [^\n]*" entries "${listing}")
            if(NOT entries)
                set(fault "zipinfo lists no entry in what it wrote:\n${listing}")
            endif()
            foreach(entry IN LISTS entries)
                if(NOT entry MATCHES " ${minute}[0-9][0-9] ")
                    string(STRIP "${entry}" entry)
                    set(fault "${fault}an entry's time is not ${date}: ${entry}\n")
                endif()
            endforeach()
            # Each "ux" field's bytes: version 1, a 4-byte user ID, a 4-byte
            # group ID, both 0.
            string(REGEX MATCHALL "ID 0x7875 [^\n]*\n[^\n]*" ux_fields "${details}")
            foreach(field IN LISTS ux_fields)
                if(NOT field MATCHES "\n +01 04 00 00 00 00 04 00 00 00 00[.]?$")
                    set(fault "${fault}a \"ux\" field holds another user or group than 0: ${field}\n")
                endif()
            endforeach()
        endif()
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
