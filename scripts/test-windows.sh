#!/usr/bin/env bash
# The Windows lane: installs what it needs, builds both sysroots and the target's
# dependencies once into a cache outside the build tree (one folder per set of Debian
# versions, reused by later runs), then configures and builds both Windows targets,
# compiles every file of host/ for both as objects (against python3.11's Windows headers;
# nothing of host/ can be linked here), runs the x86_64 suites under Wine through CTest
# and checks that every aarch64 program is an Arm64 Windows program. Extra arguments go
# to ctest.
#   TARVELLE_WINDOWS_CACHE  the cache (default ~/.cache/tarvelle-windows)
#   TARVELLE_WINDOWS_BUILD  the build folders' parent (default dist/windows)
#   TARVELLE_WINDOWS_RUN=0  builds only
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
cache=${TARVELLE_WINDOWS_CACHE:-$HOME/.cache/tarvelle-windows}
builds=${TARVELLE_WINDOWS_BUILD:-dist/windows}
jobs=${TARVELLE_JOBS:-$(nproc)}
export TARVELLE_JOBS=$jobs
start=$SECONDS

bash scripts/windows/install.sh
key=$(bash scripts/windows/sources.sh "$cache/sources")
root=$cache/$key
for arch in x86_64 aarch64; do
  if [ ! -e "$root/$arch.done" ]; then
    rm -rf "$root/$arch" "$root/work/$arch"
    bash scripts/windows/sysroot.sh $arch "$cache/sources" "$root/$arch" "$root/work/$arch"
    bash scripts/windows/deps.sh $arch "$cache/sources" "$root/$arch" "$root/work/$arch"
    cp "$cache/sources/last-key" "$root/KEY"
    touch "$root/$arch.done"
  fi
done
python_include=$(bash scripts/windows/python-headers.sh "$cache/sources" "$cache")
echo "sysroots ready after $((SECONDS - start)) s" >&2

python=$(python3 -c "import sys; print(sys.executable)")
for arch in x86_64 aarch64; do
  build=$builds/$arch
  if [ ! -f "$build/build.ninja" ] ||
     ! grep -qxF "TARVELLE_WINDOWS_PYTHON_INCLUDE:PATH=$python_include" "$build/CMakeCache.txt"; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchains/$arch-w64-mingw32.cmake" \
          -DTARVELLE_WINDOWS_SYSROOT="$root/$arch" -DPython_EXECUTABLE="$python" \
          -DTARVELLE_WINDOWS_PYTHON_INCLUDE:PATH="$python_include" \
          -DTS_CACHE="$here/dist/tree-sitter" -DCMAKE_CROSSCOMPILING_EMULATOR=wine >/dev/null
  fi
  cmake --build "$build" -j "$jobs" -- -k 0
done
echo "both targets built after $((SECONDS - start)) s" >&2

# host/: every source compiled for both targets, objects only (linking the modules needs
# a Windows Python 3.11, which cannot be had here).
mapfile -t host_sources < <(find host -name '*.cpp' | sort)
for arch in x86_64 aarch64; do
  build=$builds/$arch
  cmake --build "$build" -j "$jobs" --target host_objects -- -k 0
  objects=0
  for src in "${host_sources[@]}"; do
    if compgen -G "$build/CMakeFiles/*.dir/$src.obj" >/dev/null; then
      objects=$((objects + 1))
    else
      echo "[$arch] no object for $src" >&2
    fi
  done
  echo "[$arch] host/: $objects of ${#host_sources[@]} sources compiled as objects (not linked)" >&2
  [ "$objects" -eq "${#host_sources[@]}" ] || exit 1
done

# Every aarch64 program must be a PE32+ Arm64 executable, and every program of both
# targets may import only the system's own DLLs (the C runtime's api sets included): the
# C++ runtime and the dependencies are linked in.
system_dll='^(kernel32|advapi32|bcrypt|ntdll|user32|shell32|ole32|ws2_32|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'
bad=0
while IFS= read -r exe; do
  file -b "$exe" | grep -q 'PE32+ executable.*Aarch64' || { echo "not an Arm64 program: $exe" >&2; bad=1; }
done < <(find "$builds/aarch64" -name '*.exe')
while IFS= read -r exe; do
  while IFS= read -r dll; do
    echo "$dll" | grep -qiE "$system_dll" || { echo "$exe imports $dll, not a system DLL" >&2; bad=1; }
  done < <(llvm-readobj-19 --coff-imports "$exe" | sed -n 's/^ *Name: //p')
done < <(find "$builds/x86_64" "$builds/aarch64" -name '*.exe')
[ $bad -eq 0 ] || exit 1
echo "every program checked: Arm64 where it must be, system DLLs only" >&2

[ "${TARVELLE_WINDOWS_RUN:-1}" = 1 ] || exit 0
# Wine, headless, in a throw-away prefix whose debugger is cleared so that a crash on any
# thread exits non-zero; warmed before test discovery.
export WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tarvelle-wine.XXXXXX")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
wine cmd /c exit >/dev/null 2>&1 || true
wineserver -w
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1
wineserver -p 120 || true
# The suites' test lists first, one program at a time: GoogleTest's discovery gives each
# program 5 s, which a Wine start beside running tests can miss. A list once made is kept
# until its program changes, so a retry lists only the programs that missed.
listed=no
for try in 1 2 3; do
  if ctest --test-dir "$builds/x86_64" -N >/dev/null 2>&1; then listed=yes; break; fi
  echo "a suite missed its listing time (try $try)" >&2
done
[ "$listed" = yes ] || { echo "the suites could not be listed under Wine" >&2; exit 1; }
# Every x86_64 test passes or is skipped for a reason it states (what Wine cannot do).
status=0
ctest --test-dir "$builds/x86_64" -j "$jobs" --output-on-failure "$@" || status=$?
echo "Windows lane: $([ "$status" -eq 0 ] && echo passed || echo FAILED) after $((SECONDS - start)) s" >&2
exit "$status"
