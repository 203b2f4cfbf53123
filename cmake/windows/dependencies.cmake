# The target's dependencies for a Windows build (CMAKE_SYSTEM_NAME Windows, see
# cmake/toolchains/): found in the sysroot that scripts/test-windows.sh builds. The build
# machine's interpreter is found for the tests that compare with it; the extension
# modules (host/) are built only with TARVELLE_WINDOWS_MODULES (below). MD5 goes through Windows' CNG (bcrypt), which stands in
# for OpenSSL's target, so the libraries link the same names on both platforms.
# On a Windows machine with its own Python 3.11 (Python_EXECUTABLE naming it) and pybind11,
# TARVELLE_WINDOWS_MODULES=ON builds and installs the extension modules as on Linux.
option(TARVELLE_WINDOWS_MODULES "Build the extension modules against the Windows Python 3.11" OFF)
if(TARVELLE_WINDOWS_MODULES)
  find_package(Python 3.11 REQUIRED COMPONENTS Interpreter Development.Module)
  find_package(pybind11 CONFIG REQUIRED)
else()
  find_package(Python 3.11 REQUIRED COMPONENTS Interpreter)
endif()
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
find_package(ICU REQUIRED COMPONENTS uc data)
set_property(TARGET ICU::uc APPEND PROPERTY INTERFACE_LINK_LIBRARIES ICU::data advapi32)
set_property(TARGET ICU::uc APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS U_STATIC_IMPLEMENTATION)
add_library(OpenSSL::Crypto INTERFACE IMPORTED)
set_property(TARGET OpenSSL::Crypto PROPERTY INTERFACE_LINK_LIBRARIES bcrypt)
find_package(nlohmann_json 3 REQUIRED)
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
# Every program is linked statically, so that it imports only the system's DLLs.
add_link_options(-static)
# A PE program has no symbol interposition: the tree-sitter runtime's
# -fno-semantic-interposition means nothing there, and clang says so.
add_compile_options(-Wno-unused-command-line-argument)
