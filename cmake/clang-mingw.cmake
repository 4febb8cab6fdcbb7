# Builds the plug-in for 64-bit Windows with Clang in MinGW mode, LLD and the
# MinGW-w64 headers and libraries (the LLVM MinGW toolchains' way). The
# stand-in host and the tests are MinGW-w64 GCC's: see cmake/mingw-w64.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/llvm.cmake)
set(CMAKE_C_COMPILER ${LLVM_BIN}/clang)
set(CMAKE_CXX_COMPILER ${LLVM_BIN}/clang++)
set(CMAKE_C_COMPILER_TARGET ${MINGW_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_TRIPLE})
set(CMAKE_RC_COMPILER ${LLVM_BIN}/llvm-windres)
set(CMAKE_DLLTOOL ${LLVM_BIN}/llvm-dlltool)
set(CMAKE_AR ${LLVM_BIN}/llvm-ar)
set(CMAKE_RANLIB ${LLVM_BIN}/llvm-ranlib)

# The plug-in takes its stack probe from libgcc: that of the posix thread
# model, as everything else here. Clang 19 finds Debian's GCC folders for
# MinGW-w64 by itself, but of 12-posix and 12-win32 it takes the win32 one.
execute_process(COMMAND ${MINGW_TRIPLE}-gcc-posix -print-libgcc-file-name
                OUTPUT_VARIABLE LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(LIBGCC_DIR ${LIBGCC} DIRECTORY)
set(CMAKE_RC_FLAGS_INIT "--target=pe-x86-64")
# LLD, as GNU ld, stamps the PE header with SOURCE_DATE_EPOCH when it is
# set, and with the time of the link when it is not.
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -L${LIBGCC_DIR}")
endforeach()

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
