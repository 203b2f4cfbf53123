# Shared part of the Windows toolchain files: Debian's clang-19 and lld-19 for a mingw-w64
# UCRT target, over a sysroot that scripts/test-windows.sh builds from Debian sources
# (headers, C runtime, compiler-rt builtins, libunwind, libc++abi, libc++, and the
# target's dependencies). The including file sets TARVELLE_WINDOWS_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR. The sysroot comes from -DTARVELLE_WINDOWS_SYSROOT=... or the
# environment variable of that name.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10.0)

if(NOT TARVELLE_WINDOWS_SYSROOT)
  set(TARVELLE_WINDOWS_SYSROOT "$ENV{TARVELLE_WINDOWS_SYSROOT}")
endif()
if(NOT TARVELLE_WINDOWS_SYSROOT OR NOT EXISTS "${TARVELLE_WINDOWS_SYSROOT}/include/windows.h")
  message(FATAL_ERROR "TARVELLE_WINDOWS_SYSROOT (${TARVELLE_WINDOWS_SYSROOT}) is not a mingw-w64 sysroot:"
                      " scripts/test-windows.sh builds one")
endif()
# Try-compile projects see the same sysroot.
set(ENV{TARVELLE_WINDOWS_SYSROOT} "${TARVELLE_WINDOWS_SYSROOT}")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARVELLE_WINDOWS_SYSROOT)

set(CMAKE_SYSROOT "${TARVELLE_WINDOWS_SYSROOT}")
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET ${TARVELLE_WINDOWS_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${TARVELLE_WINDOWS_TRIPLE})
set(CMAKE_ASM_COMPILER_TARGET ${TARVELLE_WINDOWS_TRIPLE})
set(CMAKE_RC_COMPILER llvm-windres-19)
set(CMAKE_AR llvm-ar-19 CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib-19 CACHE FILEPATH "")
set(CMAKE_DLLTOOL llvm-dlltool-19 CACHE FILEPATH "")

# The compiler's own headers with the sysroot's compiler-rt builtins beside them, the LLVM
# runtimes in place of libgcc and libstdc++, and lld.
set(CMAKE_C_FLAGS_INIT "-resource-dir=${TARVELLE_WINDOWS_SYSROOT}/clang")
set(CMAKE_CXX_FLAGS_INIT "-resource-dir=${TARVELLE_WINDOWS_SYSROOT}/clang -stdlib=libc++")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -rtlib=compiler-rt -unwindlib=libunwind")
endforeach()

set(CMAKE_FIND_ROOT_PATH "${TARVELLE_WINDOWS_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config reads the target's .pc files only, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${TARVELLE_WINDOWS_SYSROOT}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
