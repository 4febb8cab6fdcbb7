# The LLVM whose tools build the plug-in for cmake/clang-mingw.cmake and
# cmake/clang-cl.cmake, and which scripts/setup installs: Debian 12's
# LLVM 19 (clang-19, clang-tools-19, lld-19, llvm-19), the major of the
# clang-cl that Visual Studio 2022 brings. Debian installs versioned names
# (clang-19) in /usr/bin, and the unversioned ones in LLVM's own folder.
# scripts/setup reads the folder, and the packages' major, from this line.
set(LLVM_BIN /usr/lib/llvm-19/bin)
