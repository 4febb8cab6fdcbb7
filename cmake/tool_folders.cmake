# Where Visual Studio's tools are, compared as paths: the configure step's
# check (expected_tools.cmake) and its test (tests/build/tool_folders_test.cmake)
# run this same code, the test with the values the Windows image gives.
#
# vcvars64.bat sets VCToolsInstallDir with a backslash at its end
# (...\VC\Tools\MSVC\14.44.35207\), puts the tools' folder on PATH as
# ...\bin\HostX64\x64, and CMake gives the paths of what it found with
# forward slashes: the same folder, written three ways. So slashes of both
# kinds are one separator, repeated ones one, "." and ".." resolved, a
# separator at the end dropped; and a Windows path (a drive letter, or
# \\server\share) is compared without regard to case, as Windows does.

# A folder as it is shown: forward slashes, normalized, its case kept.
function(tolvaris_folder_spelled path out)
    string(REPLACE "\\" "/" path "${path}")
    # A UNC path's two leading slashes are its root: kept apart from the
    # rest, which NORMALIZE would otherwise take for a doubled separator.
    set(root "")
    if(path MATCHES "^//[^/]")
        set(root "//")
        string(SUBSTRING "${path}" 2 -1 path)
    endif()
    cmake_path(SET path NORMALIZE "${path}")
    if(path MATCHES "./$")
        string(REGEX REPLACE "/+$" "" path "${path}")
    endif()
    set(${out} "${root}${path}" PARENT_SCOPE)
endfunction()

# The one form of a folder that two spellings of it share.
function(tolvaris_folder_form path out)
    tolvaris_folder_spelled("${path}" path)
    if(path MATCHES "^([A-Za-z]:|//)")
        string(TOLOWER "${path}" path)
    endif()
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

# Appends to the variable named first a line for each tool not where Visual
# Studio's developer environment puts it: the librarian beside the
# compiler, and the assembler among the C++ tools that vcvars64.bat set up
# (VC_TOOLS, the value of VCToolsInstallDir), not another ml64.exe from PATH.
# COMPILER, LIBRARIAN, ASSEMBLER: the files CMake found.
function(tolvaris_check_tool_folders faults_var)
    cmake_parse_arguments(PARSE_ARGV 1 tool "" "COMPILER;LIBRARIAN;ASSEMBLER;VC_TOOLS" "")
    set(said "${${faults_var}}")
    foreach(kind COMPILER LIBRARIAN ASSEMBLER)
        string(REPLACE "\\" "/" file "${tool_${kind}}")
        get_filename_component(folder "${file}" DIRECTORY)
        tolvaris_folder_form("${folder}" ${kind})
        tolvaris_folder_spelled("${folder}" ${kind}_shown)
    endforeach()
    tolvaris_folder_form("${tool_VC_TOOLS}/bin/Hostx64/x64" vc_tools)
    tolvaris_folder_spelled("${tool_VC_TOOLS}/bin/Hostx64/x64" vc_tools_shown)
    if(NOT LIBRARIAN STREQUAL COMPILER)
        string(APPEND said "\n  the librarian is in ${LIBRARIAN_shown}, not beside the "
                           "compiler in ${COMPILER_shown}")
    endif()
    if(NOT ASSEMBLER STREQUAL vc_tools)
        string(APPEND said "\n  the assembler is in ${ASSEMBLER_shown}, not in "
                           "${vc_tools_shown} (VCToolsInstallDir's)")
    endif()
    set(${faults_var} "${said}" PARENT_SCOPE)
endfunction()
