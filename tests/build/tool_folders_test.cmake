# The configure step's check of where Visual Studio's tools are
# (cmake/tool_folders.cmake), run here with the values the windows-2022
# image gives: VCToolsInstallDir as vcvars64.bat sets it, with a backslash
# at its end; the tools as CMake finds them on the PATH vcvars64.bat sets
# (...\bin\HostX64\x64), with forward slashes. Each case passes or names
# the folder that is elsewhere; fails naming every case that does not.
#
#   cmake -P tool_folders_test.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/tool_folders.cmake)

set(vs "C:/Program Files/Microsoft Visual Studio/2022/Enterprise")
set(msvc "${vs}/VC/Tools/MSVC/14.44.35207")
set(llvm "${vs}/VC/Tools/Llvm/x64/bin")
string(REPLACE "/" "\\" msvc_native "${msvc}")
set(vc_tools "${msvc_native}\\") # as vcvars64.bat sets it

# Each case: its name, then VC_TOOLS, COMPILER, LIBRARIAN, ASSEMBLER, and
# what the faults must match ("none": no fault), separated by "|".
set(cases
    "cl.exe, as on the image|${vc_tools}|${msvc}/bin/HostX64/x64/cl.exe|${msvc}/bin/HostX64/x64/lib.exe|${msvc}/bin/HostX64/x64/ml64.exe|none"
    "clang-cl, as on the image|${vc_tools}|${llvm}/clang-cl.exe|${llvm}/llvm-lib.exe|${msvc}/bin/HostX64/x64/ml64.exe|none"
    "lower case, as the issue's log showed it|${vc_tools}|${msvc}/bin/hostx64/x64/cl.exe|${msvc}/bin/hostx64/x64/lib.exe|${msvc}/bin/hostx64/x64/ml64.exe|none"
    "VCToolsInstallDir without its last backslash|${msvc_native}|${msvc}/bin/Hostx64/x64/cl.exe|${msvc}/bin/Hostx64/x64/lib.exe|${msvc}/bin/Hostx64/x64/ml64.exe|none"
    "VCToolsInstallDir with forward slashes|${msvc}/|${msvc}/bin/Hostx64/x64/cl.exe|${msvc}/bin/Hostx64/x64/lib.exe|${msvc}/bin/Hostx64/x64/ml64.exe|none"
    "both slash kinds in one path|${vc_tools}|${msvc_native}\\bin/HOSTX64\\x64/cl.exe|${msvc}/bin\\hostx64/x64\\lib.exe|C:\\PROGRAM FILES/microsoft visual studio\\2022/Enterprise/VC/Tools/MSVC/14.44.35207//bin/HostX64/x64/ml64.exe|none"
    "a dot and a dot-dot on the way|${vc_tools}.\\|${msvc}/bin/HostX64/x86/../x64/cl.exe|${msvc}/bin/./HostX64/x64/lib.exe|${msvc}/bin/HostX64/x64/ml64.exe|none"
    "ml64.exe of another MSVC|${vc_tools}|${msvc}/bin/HostX64/x64/cl.exe|${msvc}/bin/HostX64/x64/lib.exe|${vs}/VC/Tools/MSVC/14.43.34808/bin/HostX64/x64/ml64.exe|^\n  the assembler is in .*/14[.]43[.]34808/bin/HostX64/x64, not in .*/14[.]44[.]35207/bin/Hostx64/x64 [(]VCToolsInstallDir's[)]$"
    "ml64.exe for 32-bit code|${vc_tools}|${msvc}/bin/HostX64/x64/cl.exe|${msvc}/bin/HostX64/x64/lib.exe|${msvc}/bin/HostX64/x86/ml.exe|^\n  the assembler is in .*/HostX64/x86, not in "
    "ml64.exe where .. leads elsewhere|${vc_tools}|${msvc}/bin/HostX64/x64/cl.exe|${msvc}/bin/HostX64/x64/lib.exe|${msvc}/bin/HostX64/x64/../x86/ml64.exe|the assembler is in .*/bin/HostX64/x86, "
    "ml64.exe on another drive|${vc_tools}|${msvc}/bin/HostX64/x64/cl.exe|${msvc}/bin/HostX64/x64/lib.exe|D:/Program Files/Microsoft Visual Studio/2022/Enterprise/VC/Tools/MSVC/14.44.35207/bin/HostX64/x64/ml64.exe|the assembler is in D:/"
    "a folder whose name only begins the same|${vc_tools}|${msvc}/bin/HostX64/x64/cl.exe|${msvc}/bin/HostX64/x64/lib.exe|${msvc}/bin/HostX64/x64-old/ml64.exe|the assembler is in .*/x64-old, "
    "lib.exe of another MSVC|${vc_tools}|${msvc}/bin/HostX64/x64/cl.exe|${vs}/VC/Tools/MSVC/14.43.34808/bin/HostX64/x64/lib.exe|${msvc}/bin/HostX64/x64/ml64.exe|^\n  the librarian is in .*/14[.]43[.]34808/bin/HostX64/x64, not beside the compiler in .*/14[.]44[.]35207/bin/HostX64/x64$"
    "clang-cl's llvm-lib.exe from another LLVM|${vc_tools}|${llvm}/clang-cl.exe|C:/Program Files/LLVM/bin/llvm-lib.exe|${msvc}/bin/HostX64/x64/ml64.exe|the librarian is in C:/Program Files/LLVM/bin, not beside")

set(wrong "")
foreach(case IN LISTS cases)
    # A backslash before the ";" that splits the fields would escape it.
    string(REPLACE "\\" "<backslash>" fields "${case}")
    string(REPLACE "|" ";" fields "${fields}")
    foreach(field name vc compiler librarian assembler expected)
        list(POP_FRONT fields value)
        string(REPLACE "<backslash>" "\\" ${field} "${value}")
    endforeach()
    set(faults "")
    tolvaris_check_tool_folders(faults COMPILER "${compiler}" LIBRARIAN "${librarian}"
                                ASSEMBLER "${assembler}" VC_TOOLS "${vc}")
    if(expected STREQUAL "none" AND NOT faults STREQUAL "")
        string(APPEND wrong "\n${name}: a fault where none is expected:${faults}")
    elseif(NOT expected STREQUAL "none" AND NOT faults MATCHES "${expected}")
        string(APPEND wrong "\n${name}: faults \"${faults}\", expected to match \"${expected}\"")
    endif()
endforeach()
if(wrong)
    message(FATAL_ERROR "The tools' folders are not compared as paths:${wrong}")
endif()
