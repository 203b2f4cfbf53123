#!/usr/bin/env bash
# Builds the target's dependencies into a sysroot that sysroot.sh made: PCRE2 (static,
# with its JIT), nlohmann-json, GoogleTest (from /usr/src/googletest) and ICU (static,
# its data built in), each from its Debian source with the project's toolchain file.
#   deps.sh ARCH SOURCES SYSROOT WORK      (ARCH: x86_64 or aarch64)
set -euo pipefail
arch=$1 sources=$2 sysroot=$3 work=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
triple=$arch-w64-mingw32
toolchain=$here/cmake/toolchains/$triple.cmake
jobs=${TARVELLE_JOBS:-$(nproc)}
mkdir -p "$work"

unpack() {  # unpack TARBALL DEST: extracts once into DEST
  [ -e "$2/.unpacked" ] && return
  rm -rf "$2"
  mkdir -p "$2"
  tar -xf "$1" -C "$2" --strip-components=1
  touch "$2/.unpacked"
}
cmake_project() {  # cmake_project NAME SOURCE [ARGS...]: configures, builds, installs
  local name=$1 src=$2
  shift 2
  echo "[$arch] $name" >&2
  cmake -S "$src" -B "$work/$name-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTARVELLE_WINDOWS_SYSROOT="$sysroot" \
    -DCMAKE_INSTALL_PREFIX="$sysroot" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  cmake --build "$work/$name-build" -j "$jobs" >/dev/null
  cmake --install "$work/$name-build" >/dev/null
}

unpack "$sources"/pcre2_*.orig.tar.gz "$work/pcre2"
cmake_project pcre2 "$work/pcre2" -DPCRE2_SUPPORT_JIT=ON -DPCRE2_BUILD_PCRE2GREP=OFF \
  -DPCRE2_BUILD_TESTS=OFF -DPCRE2_SUPPORT_LIBBZ2=OFF -DPCRE2_SUPPORT_LIBZ=OFF \
  -DPCRE2_SUPPORT_LIBEDIT=OFF -DPCRE2_SUPPORT_LIBREADLINE=OFF
# Consumers of the static library must say so (its .pc file does not).
sed -i '/^Cflags:/{/PCRE2_STATIC/!s/$/ -DPCRE2_STATIC/}' "$sysroot/lib/pkgconfig/libpcre2-8.pc"

unpack "$sources"/nlohmann-json3_*.orig.tar.gz "$work/nlohmann-json"
cmake_project nlohmann-json "$work/nlohmann-json" -DJSON_BuildTests=OFF -DJSON_Install=ON

cmake_project googletest /usr/src/googletest -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF

# ICU: its tools built for the build machine first, then the target against them; the
# data packaged into a static library. Its install lays down a stub data library, so the
# real one is copied from the build folder; both are also given the names CMake's FindICU
# looks for.
unpack "$sources"/icu_*.orig.tar.gz "$work/icu"
if [ ! -e "$work/icu-native/.built" ]; then
  echo "[$arch] ICU for the build machine" >&2
  mkdir -p "$work/icu-native"
  (cd "$work/icu-native" &&
   CC=gcc CXX=g++ "$work/icu/source/configure" --disable-tests --disable-samples \
     --disable-extras >/dev/null && make -s -j"$jobs" >/dev/null 2>&1)
  touch "$work/icu-native/.built"
fi
echo "[$arch] ICU" >&2
flags="--target=$triple --sysroot=$sysroot -resource-dir=$sysroot/clang -rtlib=compiler-rt"
mkdir -p "$work/icu-target"
(cd "$work/icu-target" &&
 CC="clang-19 $flags" CXX="clang++-19 $flags -stdlib=libc++" LDFLAGS="-fuse-ld=lld -unwindlib=libunwind" \
 CPPFLAGS="-DU_STATIC_IMPLEMENTATION" AR=llvm-ar-19 RANLIB=llvm-ranlib-19 \
 "$work/icu/source/configure" --host=$triple --prefix="$sysroot" --with-cross-build="$work/icu-native" \
   --enable-static --disable-shared --with-data-packaging=static --disable-tests --disable-samples \
   --disable-extras --disable-tools --disable-layoutex >/dev/null &&
 make -s -j"$jobs" >/dev/null 2>&1 && make -s install >/dev/null 2>&1)
cp "$work/icu-target/lib/sicudt.a" "$sysroot/lib/libsicudt.a"
for lib in uc dt in; do
  [ -e "$sysroot/lib/libsicu$lib.a" ] && cp "$sysroot/lib/libsicu$lib.a" "$sysroot/lib/libicu$lib.a"
done
cp "$sysroot/lib/libicudt.a" "$sysroot/lib/libicudata.a"; cp "$sysroot/lib/libicuin.a" "$sysroot/lib/libicui18n.a"
