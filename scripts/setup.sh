#!/usr/bin/env bash
# Installs what the build needs (Debian packages), configures, builds and lays out
# the install tree under dist/root. Safe to run again: only missing packages are
# installed and the build is incremental.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

packages=(cmake ninja-build g++ clang pkg-config libpcre2-dev libicu-dev libssl-dev
          pybind11-dev nlohmann-json3-dev libgtest-dev libgmock-dev universal-ctags)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm fetches the pinned tree-sitter runtime and grammar packages at configure time.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}" >&2
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

build=${TARVELLE_BUILD_DIR:-dist/build}
prefix=${TARVELLE_PREFIX:-$here/dist/root}
python=${PYTHON:-$(python3 -c "import sys; print(sys.executable)")}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DPython_EXECUTABLE="$python" >/dev/null
fi
cmake --build "$build" -j "${TARVELLE_JOBS:-$(nproc)}"
cmake --install "$build" >/dev/null
