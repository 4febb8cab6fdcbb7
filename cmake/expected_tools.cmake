# A preset may name the tools it means the plug-in to be built with
# (TOLVARIS_EXPECTED_TOOLS: KEY=FILE pairs, keys as in plugin-tools.txt):
# the configure step then fails, naming what CMake found, when it found
# others. The Visual Studio presets name cl.exe or clang-cl.exe, ml64.exe,
# and lib.exe or llvm-lib.exe (the librarian CMake takes for clang-cl); in
# Visual Studio's developer environment the librarian must also be the one
# beside the compiler, and ml64.exe the one of the C++ tools vcvars64.bat
# set up, not another of the same name from PATH.
set(TOLVARIS_EXPECTED_TOOLS "" CACHE STRING "KEY=FILE pairs: the tools the plug-in must be built with")
if(NOT TOLVARIS_EXPECTED_TOOLS)
    return()
endif()
set(found_compiler_id ${CMAKE_CXX_COMPILER_ID})
set(found_compiler ${CMAKE_CXX_COMPILER})
set(found_assembler ${CMAKE_ASM_MASM_COMPILER})
set(found_import_lib_tool ${TOLVARIS_IMPORT_LIB_TOOL})
set(faults "")
foreach(pair IN LISTS TOLVARIS_EXPECTED_TOOLS)
    if(NOT pair MATCHES "^(compiler_id|compiler|assembler|import_lib_tool)=(.+)$")
        message(FATAL_ERROR "TOLVARIS_EXPECTED_TOOLS: \"${pair}\" is not KEY=FILE, KEY one of "
                            "compiler_id, compiler, assembler, import_lib_tool")
    endif()
    set(key ${CMAKE_MATCH_1})
    set(expected ${CMAKE_MATCH_2})
    set(found "${found_${key}}")
    set(name "${found}")
    if(NOT key STREQUAL "compiler_id")
        get_filename_component(name "${found}" NAME)
        string(TOLOWER "${name}" name)
    endif()
    if(NOT name STREQUAL expected)
        string(APPEND faults "\n  ${key} is \"${found}\", not ${expected}")
    endif()
endforeach()

# Folders compared as paths, by the code that tests/build/tool_folders_test.cmake
# runs with the Windows image's values.
include(${CMAKE_CURRENT_LIST_DIR}/tool_folders.cmake)
if(MSVC AND NOT CMAKE_CROSSCOMPILING)
    if(NOT DEFINED ENV{VCToolsInstallDir})
        string(APPEND faults "\n  not in Visual Studio's developer environment: "
                             "run it through .ci/with-vs-env.cmd")
    else()
        tolvaris_check_tool_folders(faults
            COMPILER "${CMAKE_CXX_COMPILER}" LIBRARIAN "${TOLVARIS_IMPORT_LIB_TOOL}"
            ASSEMBLER "${CMAKE_ASM_MASM_COMPILER}" VC_TOOLS "$ENV{VCToolsInstallDir}")
    endif()
endif()
if(faults)
    message(FATAL_ERROR "Tolvaris.dll would not be built with the tools this preset means:${faults}")
endif()
