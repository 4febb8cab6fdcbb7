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
set(CMAKE_ASM_MASM_COMPILER ${LLVM_BIN}/llvm-ml)
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
set(SDK_STANDIN_FLAGS "-imsvc ${SDK_STANDIN_INCLUDE} /FIintrin.h /clang:-ffreestanding")
set(CMAKE_C_FLAGS_INIT ${SDK_STANDIN_FLAGS})
set(CMAKE_CXX_FLAGS_INIT ${SDK_STANDIN_FLAGS})
set(CMAKE_RC_FLAGS_INIT "-I ${SDK_STANDIN_INCLUDE}")
# llvm-ml assembles 32-bit code unless told; ml64.exe knows from its name.
set(CMAKE_ASM_MASM_FLAGS_INIT "-m64")

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
# CMake's checks of the compiler link a program, which needs the C runtime;
# the plug-in links none, so a library is enough to prove the compiler works.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
