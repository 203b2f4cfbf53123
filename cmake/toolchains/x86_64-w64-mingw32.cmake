# Cross-builds for x86_64 Windows (mingw-w64, UCRT) with clang-19 and lld-19.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/x86_64-w64-mingw32.cmake -DTARVELLE_WINDOWS_SYSROOT=<sysroot> ...
set(TARVELLE_WINDOWS_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/windows-clang.cmake)
