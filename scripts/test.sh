#!/usr/bin/env bash
# Set-up, build, install, then every test (C++ and host-level) under CTest.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$here/scripts/setup.sh"
build=${TARVELLE_BUILD_DIR:-dist/build}
cd "$here"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
