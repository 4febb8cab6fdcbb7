# Runs inside CPack once the archive is written (CPACK_POST_BUILD_SCRIPTS):
# normalises it with strip-nondeterminism, so that it is the same bytes
# whoever packs it, and wherever. libarchive, which CPack packs with, writes
# the packer's user and group IDs into every entry (the Info-ZIP "ux" field,
# 0x7875) and the MS-DOS times in the packer's time zone; afterwards every
# "ux" field holds user and group 0, every time in the archive is
# SOURCE_DATE_EPOCH (the MS-DOS ones taken in UTC), the entries are in
# name order and the modes are 644, or 755 for the DLL. A failure here
# fails CPack; scripts/package then copies nothing to dist/.
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
foreach(archive IN LISTS CPACK_PACKAGE_FILES)
    # strip-nondeterminism writes the MS-DOS times in the local time zone.
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env TZ=UTC
                ${STRIP_NONDETERMINISM} --type zip --timestamp ${epoch} ${archive}
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT status EQUAL 0 OR NOT output STREQUAL "")
        # CPack would still copy the archive as it was and only fail at
        # its exit: none with the packer's IDs is left behind.
        file(REMOVE ${archive})
        message(FATAL_ERROR "strip-nondeterminism could not normalise ${archive}:\n${output}")
    endif()
    get_filename_component(name ${archive} NAME)
    message(STATUS "${name}: normalised by strip-nondeterminism, user and group 0, every time ${date} (${epoch})")
endforeach()
