# Whether the clang-cl build compiles and links the plug-in with the options
# the vs2022 presets pass and nothing else but the stand-ins for the Windows
# SDK that cmake/clang-cl.cmake names: every option of the plug-in's compile
# line and link line (the Makefiles CMake wrote) is one of the MSVC branch's
# of src/CMakeLists.txt, one of those stand-ins, or one that CMake itself
# gives every MSVC-style build, the vs2022 ones too. Fails naming each
# option that is none of them, and each of the branch's that is missing.
#
#   cmake -DPLUGIN_BUILD=BUILD/plugin -P msvc_options_test.cmake
cmake_minimum_required(VERSION 3.25)
file(STRINGS ${PLUGIN_BUILD}/plugin-options.txt records)
foreach(record IN LISTS records)
    if(record MATCHES "^([a-z_]+)=(.*)$")
        set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    endif()
endforeach()
string(REPLACE "|" ";" compile "${compile}")
string(REPLACE "|" ";" link "${link}")
separate_arguments(sdk_standin_compile UNIX_COMMAND "${sdk_standin_compile}")
separate_arguments(sdk_standin_link UNIX_COMMAND "${sdk_standin_link}")

set(target ${PLUGIN_BUILD}/src/CMakeFiles/Tolvaris.dir)
file(STRINGS ${target}/flags.make compile_line REGEX "^CXX_FLAGS = ")
string(REGEX REPLACE "^CXX_FLAGS = " "" compile_line "${compile_line}")
separate_arguments(compile_line UNIX_COMMAND "${compile_line}")
# cmake -E vs_link_dll ... -- LINKER OPTIONS...
file(READ ${target}/link.txt link_line)
string(FIND "${link_line}" " -- " at)
math(EXPR at "${at} + 4")
string(SUBSTRING "${link_line}" ${at} -1 link_line)
separate_arguments(link_line UNIX_COMMAND "${link_line}")
list(POP_FRONT link_line linker)

# CMake's own: the definitions and the C runtime's flag it gives every
# MSVC-style compile (the branch's /Zl keeps the runtime's name out of the
# objects), the language standard; the output files, the definition file,
# the machine and the libraries of every MSVC-style link.
set(cmake_compile "^(/DWIN32|/D_WINDOWS|/DNDEBUG|-MD|-std:c[+][+]17)$")
set(cmake_link "^(/nologo|@.*|/out:.*|/implib:.*|/pdb:.*|/dll|/version:.*|/machine:x64|/INCREMENTAL:NO|/DEF:.*|[^/]*[.]lib)$")

set(wrong "")
foreach(kind compile link)
    foreach(option IN LISTS ${kind}_line)
        if(NOT option IN_LIST ${kind} AND NOT option IN_LIST sdk_standin_${kind} AND
           NOT option MATCHES "${cmake_${kind}}")
            string(APPEND wrong "\n  ${kind}: ${option}: neither the vs2022 presets' option nor a "
                                "stand-in for the Windows SDK")
        endif()
    endforeach()
    foreach(option IN LISTS ${kind})
        if(NOT option IN_LIST ${kind}_line)
            string(APPEND wrong "\n  ${kind}: ${option}, an option of the vs2022 presets, is missing")
        endif()
    endforeach()
endforeach()
if(wrong)
    list(JOIN compile_line " " compile_shown)
    list(JOIN link_line " " link_shown)
    message(FATAL_ERROR "The plug-in is not built with the vs2022 presets' options:${wrong}\n"
                        "Compiled with: ${compile_shown}\nLinked with: ${link_shown}")
endif()
