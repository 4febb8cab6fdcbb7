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

# A folder in one form: slashes, lower case.
function(tolvaris_same_form path out)
    file(TO_CMAKE_PATH "${path}" path)
    string(TOLOWER "${path}" path)
    string(REGEX REPLACE "/$" "" path "${path}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()
if(MSVC AND NOT CMAKE_CROSSCOMPILING)
    if(NOT DEFINED ENV{VCToolsInstallDir})
        string(APPEND faults "\n  not in Visual Studio's developer environment: "
                             "run it through .ci/with-vs-env.cmd")
    else()
        get_filename_component(compiler_folder "${CMAKE_CXX_COMPILER}" DIRECTORY)
        get_filename_component(librarian_folder "${TOLVARIS_IMPORT_LIB_TOOL}" DIRECTORY)
        get_filename_component(assembler_folder "${CMAKE_ASM_MASM_COMPILER}" DIRECTORY)
        tolvaris_same_form("${compiler_folder}" compiler_folder)
        tolvaris_same_form("${librarian_folder}" librarian_folder)
        tolvaris_same_form("${assembler_folder}" assembler_folder)
        tolvaris_same_form("$ENV{VCToolsInstallDir}/bin/Hostx64/x64" vc_tools)
        if(NOT librarian_folder STREQUAL compiler_folder)
            string(APPEND faults "\n  the librarian is in ${librarian_folder}, not beside the "
                                 "compiler in ${compiler_folder}")
        endif()
        if(NOT assembler_folder STREQUAL vc_tools)
            string(APPEND faults "\n  the assembler is in ${assembler_folder}, not in ${vc_tools}")
        endif()
    endif()
endif()
if(faults)
    message(FATAL_ERROR "Tolvaris.dll would not be built with the tools this preset means:${faults}")
endif()
