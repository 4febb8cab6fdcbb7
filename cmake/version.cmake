# Reads the version and the author's texts from src/host/identity.h, where
# the code and the version resource take them from, so that the build, the
# package and the DLL can never disagree. Sets TOLVARIS_VERSION to
# MAJOR.MINOR.BUILD, and TOLVARIS_AUTHOR, TOLVARIS_EMAIL and
# TOLVARIS_WEB_PAGE to the descriptor's texts.
set(identity_header ${CMAKE_CURRENT_LIST_DIR}/../src/host/identity.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${identity_header})
set(TOLVARIS_VERSION "")
foreach(part MAJOR MINOR BUILD)
    file(STRINGS ${identity_header} line REGEX "^#define TOLVARIS_VERSION_${part} [0-9]+$")
    if(NOT line MATCHES " ([0-9]+)$")
        message(FATAL_ERROR "No TOLVARIS_VERSION_${part} in ${identity_header}")
    endif()
    list(APPEND TOLVARIS_VERSION ${CMAKE_MATCH_1})
endforeach()
list(JOIN TOLVARIS_VERSION "." TOLVARIS_VERSION)
# Quoted texts with no quote or backslash of their own, as in the code.
foreach(text AUTHOR EMAIL WEB_PAGE)
    file(STRINGS ${identity_header} line REGEX "^#define TOLVARIS_${text} \"[^\"\\\\]+\"$")
    if(NOT line MATCHES " \"([^\"]+)\"$")
        message(FATAL_ERROR "No TOLVARIS_${text} in ${identity_header}")
    endif()
    set(TOLVARIS_${text} "${CMAKE_MATCH_1}")
endforeach()

# Run as a script, it prints the version; given a tag (-DTAG=v1.2.3), it
# fails unless the tag is v<version>: a release is only ever made of the
# version the sources say.
#
#   cmake [-DTAG=TAG] -P cmake/version.cmake
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    if(DEFINED TAG AND NOT TAG STREQUAL "v${TOLVARIS_VERSION}")
        message(FATAL_ERROR "The tag is \"${TAG}\", but src/host/identity.h says "
                            "${TOLVARIS_VERSION}: the tag must be v${TOLVARIS_VERSION}")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${TOLVARIS_VERSION}")
endif()
