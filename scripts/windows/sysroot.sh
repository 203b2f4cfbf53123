#!/usr/bin/env bash
# Builds one Windows sysroot from Debian sources: the mingw-w64 headers and UCRT C
# runtime, then compiler-rt's builtins, libunwind, libc++abi and libc++ (static), all with
# clang-19 through the project's toolchain file.
#   sysroot.sh ARCH SOURCES SYSROOT WORK      (ARCH: x86_64 or aarch64)
set -euo pipefail
arch=$1 sources=$2 sysroot=$3 work=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
triple=$arch-w64-mingw32
toolchain=$here/cmake/toolchains/$triple.cmake
jobs=${TARVELLE_JOBS:-$(nproc)}
mkdir -p "$sysroot" "$work"

unpack() {  # unpack TARBALL DEST [MEMBERS...]: extracts once into DEST
  local tarball=$1 dest=$2
  shift 2
  [ -e "$dest/.unpacked" ] && return
  rm -rf "$dest"
  mkdir -p "$dest"
  tar -xf "$tarball" -C "$dest" --strip-components=1 "$@"
  touch "$dest/.unpacked"
}
mingw=$work/mingw-w64
unpack "$sources"/mingw-w64_*.orig.tar.bz2 "$mingw"
llvm=$work/llvm
llvm_tarball=$(echo "$sources"/llvm-toolchain-19_*.orig.tar.xz)
top=$(basename "$llvm_tarball" .orig.tar.xz)
# Only the runtimes and what their CMake projects include, of the whole LLVM tree.
unpack "$llvm_tarball" "$llvm" "$top"/{compiler-rt,libunwind,libcxxabi,libcxx,runtimes,cmake,third-party} \
  "$top"/llvm/{cmake,utils}

cc="clang-19 --target=$triple --sysroot=$sysroot -resource-dir=$sysroot/clang -rtlib=compiler-rt -fuse-ld=lld"
crt_flags=(--disable-lib32 --enable-lib64)
[ "$arch" = aarch64 ] && crt_flags=(--disable-lib32 --disable-lib64 --enable-libarm64)

# The compiler's own headers, in a resource folder of the sysroot's that also holds the
# builtins built below.
resource=$(clang-19 -print-resource-dir)
mkdir -p "$sysroot/clang"
ln -sfn "$resource/include" "$sysroot/clang/include"

echo "[$arch] mingw-w64 headers" >&2
mkdir -p "$work/headers"
(cd "$work/headers" &&
 "$mingw/mingw-w64-headers/configure" --host=$triple --prefix="$sysroot" \
   --with-default-msvcrt=ucrt --with-default-win32-winnt=0x0A00 >/dev/null &&
 make -s install >/dev/null)

echo "[$arch] mingw-w64 C runtime" >&2
mkdir -p "$work/crt"
(cd "$work/crt" &&
 "$mingw/mingw-w64-crt/configure" --host=$triple --prefix="$sysroot" --with-default-msvcrt=ucrt \
   "${crt_flags[@]}" CC="$cc" AR=llvm-ar-19 RANLIB=llvm-ranlib-19 DLLTOOL=llvm-dlltool-19 >/dev/null &&
 make -s -j"$jobs" >/dev/null 2>&1 && make -s install >/dev/null)

common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain"
        -DTARVELLE_WINDOWS_SYSROOT="$sysroot" -DCMAKE_C_COMPILER_WORKS=ON -DCMAKE_CXX_COMPILER_WORKS=ON)

echo "[$arch] compiler-rt builtins" >&2
cmake -S "$llvm/compiler-rt/lib/builtins" -B "$work/builtins" "${common[@]}" \
  -DCMAKE_INSTALL_PREFIX="$sysroot/clang" -DCOMPILER_RT_DEFAULT_TARGET_ONLY=ON \
  -DCOMPILER_RT_BUILD_BUILTINS=ON -DCOMPILER_RT_EXCLUDE_ATOMIC_BUILTIN=OFF \
  -DLLVM_ENABLE_PER_TARGET_RUNTIME_DIR=OFF -DCOMPILER_RT_OS_DIR=windows >/dev/null
cmake --build "$work/builtins" -j "$jobs" >/dev/null
cmake --install "$work/builtins" >/dev/null

echo "[$arch] libunwind, libc++abi, libc++" >&2
cmake -S "$llvm/runtimes" -B "$work/runtimes" "${common[@]}" -DCMAKE_INSTALL_PREFIX="$sysroot" \
  -DLLVM_ENABLE_RUNTIMES="libunwind;libcxxabi;libcxx" \
  -DLIBUNWIND_USE_COMPILER_RT=ON -DLIBUNWIND_ENABLE_SHARED=OFF -DLIBUNWIND_ENABLE_STATIC=ON \
  -DLIBCXXABI_USE_COMPILER_RT=ON -DLIBCXXABI_USE_LLVM_UNWINDER=ON -DLIBCXXABI_ENABLE_SHARED=OFF \
  -DLIBCXXABI_ENABLE_STATIC_UNWINDER=ON -DLIBCXXABI_LIBDIR_SUFFIX="" \
  -DLIBCXX_USE_COMPILER_RT=ON -DLIBCXX_ENABLE_SHARED=OFF -DLIBCXX_ENABLE_STATIC=ON \
  -DLIBCXX_ENABLE_STATIC_ABI_LIBRARY=ON -DLIBCXX_CXX_ABI=libcxxabi -DLIBCXX_LIBDIR_SUFFIX="" \
  -DLIBCXX_INCLUDE_TESTS=OFF -DLIBCXX_INCLUDE_BENCHMARKS=OFF -DLIBCXX_ENABLE_ABI_LINKER_SCRIPT=OFF \
  -DLIBCXX_INSTALL_MODULES=OFF -DLLVM_INCLUDE_TESTS=OFF -DLLVM_INCLUDE_DOCS=OFF >/dev/null
cmake --build "$work/runtimes" -j "$jobs" >/dev/null
cmake --install "$work/runtimes" >/dev/null
