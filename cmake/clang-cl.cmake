# Builds the plug-in for 64-bit Windows the way Visual Studio does, from
# Linux: clang-cl, lld-link, llvm-rc and llvm-ml (MASM). The Windows SDK is not
# here; the MinGW-w64 headers and import libraries stand in for it, and only
# in this file. On Windows, the vs2022 presets use the real SDK instead.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

include(${CMAKE_CURRENT_LIST_DIR}/llvm.cmake)
set(CMAKE_C_COMPILER ${LLVM_BIN}/clang-cl)
set(CMAKE_CXX_COMPILER ${LLVM_BIN}/clang-cl)
set(CMAKE_RC_COMPILER ${LLVM_BIN}/llvm-rc)
# llvm-ml assembles 32-bit code unless told otherwise, or unless its name
# ends in ml64, as ml64.exe knows from its own: named so, it takes the
# options ml64.exe takes, none added.
set(TOLVARIS_ML64 ${CMAKE_BINARY_DIR}/llvm-ml64/llvm-ml64)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/llvm-ml64)
file(CREATE_LINK ${LLVM_BIN}/llvm-ml ${TOLVARIS_ML64} SYMBOLIC)
set(CMAKE_ASM_MASM_COMPILER ${TOLVARIS_ML64})
set(CMAKE_LINKER ${LLVM_BIN}/lld-link)
# The librarian, which also makes the host's import library from its .def
# file, as lib.exe does and as on Windows (src/CMakeLists.txt).
set(CMAKE_AR ${LLVM_BIN}/llvm-lib)
set(CMAKE_MT ${LLVM_BIN}/llvm-mt)

set(SDK_STANDIN_INCLUDE /usr/x86_64-w64-mingw32/include)
set(SDK_STANDIN_LIB /usr/x86_64-w64-mingw32/lib)
# Taken as system headers, so that their warnings are not ours. Seeing a
# compiler that is not GCC, those headers define __attribute__ away, which
# breaks the compiler's own intrinsics headers that winnt.h includes. Read
# first (intrin.h), these are read whole; and freestanding, they leave out
# mm_malloc.h, whose stdlib.h would define it away again before they end.
#
# These, and the /LIBPATH below, are all that this file adds to what the
# plug-in is compiled and linked with: otherwise it gets the options the
# vs2022 presets pass (src/CMakeLists.txt, its MSVC branch). The build
# records them (plugin-options.txt), and build.msvc_options fails on any
# other option in the plug-in's compile and link lines.
set(SDK_STANDIN_FLAGS "-imsvc ${SDK_STANDIN_INCLUDE} /FIintrin.h /clang:-ffreestanding")
set(CMAKE_C_FLAGS_INIT ${SDK_STANDIN_FLAGS})
set(CMAKE_CXX_FLAGS_INIT ${SDK_STANDIN_FLAGS})
set(CMAKE_RC_FLAGS_INIT "-I ${SDK_STANDIN_INCLUDE}")

# The SDK's import libraries are kernel32.lib and so on; MinGW-w64 calls
# them libkernel32.a. Links under the SDK's names let lld-link find them
# without its MinGW mode. These are the libraries CMake names for every
# program linked with MSVC-style tools; only those used add imports.
set(SDK_STANDIN_LINKS ${CMAKE_BINARY_DIR}/sdk-standin-lib)
file(MAKE_DIRECTORY ${SDK_STANDIN_LINKS})
foreach(library kernel32 user32 gdi32 winspool shell32 ole32 oleaut32 uuid comdlg32 advapi32)
    file(CREATE_LINK ${SDK_STANDIN_LIB}/lib${library}.a ${SDK_STANDIN_LINKS}/${library}.lib SYMBOLIC)
endforeach()
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "/LIBPATH:${SDK_STANDIN_LINKS}")
endforeach()
set(TOLVARIS_SDK_STANDIN_COMPILE_FLAGS "${SDK_STANDIN_FLAGS}" CACHE INTERNAL "")
set(TOLVARIS_SDK_STANDIN_LINK_FLAGS "/LIBPATH:${SDK_STANDIN_LINKS}" CACHE INTERNAL "")
# CMake's checks of the compiler link a program, which needs the C runtime;
# the plug-in links none, so a library is enough to prove the compiler works.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
