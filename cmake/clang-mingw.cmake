# Builds the plug-in for 64-bit Windows with Clang in MinGW mode, LLD and the
# MinGW-w64 headers and libraries (the LLVM MinGW toolchains' way). The
# stand-in host and the tests are MinGW-w64 GCC's: see cmake/mingw-w64.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
# Debian's clang, lld and llvm 14 install versioned names, with unversioned
# ones in LLVM's own folder.
set(LLVM_BIN /usr/lib/llvm-14/bin)
set(CMAKE_C_COMPILER ${LLVM_BIN}/clang)
set(CMAKE_CXX_COMPILER ${LLVM_BIN}/clang++)
set(CMAKE_C_COMPILER_TARGET ${MINGW_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_TRIPLE})
set(CMAKE_RC_COMPILER ${LLVM_BIN}/llvm-windres)
set(CMAKE_DLLTOOL ${LLVM_BIN}/llvm-dlltool)
set(CMAKE_AR ${LLVM_BIN}/llvm-ar)
set(CMAKE_RANLIB ${LLVM_BIN}/llvm-ranlib)

# Clang 14 does not find Debian's GCC folder for MinGW-w64 (12-posix) by
# itself; the plug-in takes its stack probe from libgcc there.
execute_process(COMMAND ${MINGW_TRIPLE}-gcc-posix -print-libgcc-file-name
                OUTPUT_VARIABLE LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(LIBGCC_DIR ${LIBGCC} DIRECTORY)
set(CMAKE_RC_FLAGS_INIT "--target=pe-x86-64")
# LLD ignores SOURCE_DATE_EPOCH: without a timestamp, two builds of the same
# sources give the same bytes.
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -L${LIBGCC_DIR} -Wl,--no-insert-timestamp")
endforeach()

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
