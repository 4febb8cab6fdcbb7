# Runs inside CPack once the archive is written (CPACK_POST_BUILD_SCRIPTS):
# rewrites it with normalize_zip.pl, so that it holds no user or group IDs
# and no time taken in the packer's time zone, and is the same bytes
# whoever packs it. A failure here fails CPack; scripts/package then copies
# nothing to dist/.
find_program(PERL perl)
if(NOT PERL)
    file(REMOVE ${CPACK_PACKAGE_FILES})
    message(FATAL_ERROR "Making the archive needs perl (bash scripts/setup installs it)")
endif()
foreach(archive IN LISTS CPACK_PACKAGE_FILES)
    execute_process(
        COMMAND ${PERL} ${CMAKE_CURRENT_LIST_DIR}/normalize_zip.pl ${archive}
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        # CPack would still copy the archive as it was and only fail at
        # its exit: none with the IDs is left behind.
        file(REMOVE ${archive})
        message(FATAL_ERROR "Could not rewrite ${archive} without the packer's IDs:\n${output}")
    endif()
    get_filename_component(name ${archive} NAME)
    message(STATUS "${name}: no user or group IDs, times in UTC")
endforeach()
