# Tolvaris.dll and the stack probe's test DLL, made by a build of their own
# with the toolchain TOLVARIS_PLUGIN_TOOLCHAIN names, straight into this
# build's bin/: the stand-in host and the tests built here load them. The
# target keeps the plug-in's name, so that what depends on the plug-in
# depends on this build.
include(ExternalProject)
get_filename_component(TOLVARIS_PLUGIN_TOOLCHAIN_USED ${TOLVARIS_PLUGIN_TOOLCHAIN} ABSOLUTE
                       BASE_DIR ${CMAKE_SOURCE_DIR})
ExternalProject_Add(Tolvaris
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/plugin
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${TOLVARIS_PLUGIN_TOOLCHAIN_USED}
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
               -DTOLVARIS_PLUGIN_ONLY=ON
               -DTOLVARIS_BIN_DIR=${TOLVARIS_BIN_DIR}
    BUILD_ALWAYS ON # its own build knows what is out of date
    INSTALL_COMMAND ""
    LOG_CONFIGURE ON LOG_OUTPUT_ON_FAILURE ON # the compiler checks: shown when they fail
    BUILD_BYPRODUCTS ${TOLVARIS_DLL} ${TOLVARIS_BIN_DIR}/stack_probe.dll)
