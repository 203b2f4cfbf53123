#!/usr/bin/env bash
# Installs what the build needs (Debian packages), configures, builds and lays out
# the install tree under dist/root. Safe to run again: only missing packages are
# installed, the build is incremental, and the install tree is laid out afresh (its
# data directory kept).
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

# Installing only adds files: a module or command no longer built would stay in the
# install tree from an earlier run, and the host suites, which run against that tree,
# would go on passing on the stale copy. So the install starts from an empty tree, all
# but the module data directory (src/tarvelle/data: the graph, the action and token logs
# and the capability index that runs of the installed tools keep, and that the tests
# never read: they copy the tree without it). The tree is emptied only when it lies
# inside this checkout's dist/ and holds neither the build nor the fetched tree-sitter
# sources; an install prefix elsewhere loses just the files the last install wrote there.
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
empty_but() {  # empty_but DIR KEEP: removes everything in DIR but the path KEEP within it
  local dir=$1 keep=$2 head=${2%%/*} rest="" entry
  [ "$head" = "$keep" ] || rest=${keep#*/}
  for entry in "$dir"/* "$dir"/.[!.]* "$dir"/..?*; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    if [ "${entry##*/}" != "$head" ]; then
      rm -rf -- "$entry"
    elif [ -n "$rest" ]; then
      if [ -d "$entry" ] && [ ! -L "$entry" ]; then empty_but "$entry" "$rest"; else rm -rf -- "$entry"; fi
    fi
  done
}
installed=$(cached CMAKE_INSTALL_PREFIX)
if [ -n "$installed" ] && [ -d "$installed" ]; then
  tree=$(realpath -- "$installed")
  dist=$(realpath -- "$here")/dist
  safe=no
  case "$tree/" in "$dist/"?*/) safe=yes ;; esac
  for inside in "$build" "$(cached TS_CACHE)"; do
    [ -n "$inside" ] || continue
    case "$(realpath -m -- "$inside")/" in "$tree"/*) safe=no ;; esac
  done
  if [ "$safe" = yes ]; then
    empty_but "$tree" src/tarvelle/data
  elif [ -f "$build/install_manifest.txt" ]; then
    while IFS= read -r f; do
      case "$f" in "$installed"/*) rm -f -- "$f" ;; esac
    done <"$build/install_manifest.txt"
  fi
fi
cmake --install "$build" >/dev/null
