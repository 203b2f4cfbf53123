#!/usr/bin/env bash
# Builds the C++ libraries and their GoogleTest suites with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer (in dist/build-asan), then runs those suites under CTest.
# The host-level Python tests are left out: they would need the sanitizer runtime
# preloaded into the interpreter. Extra arguments go to ctest (e.g. -R Json).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
build=${TARVELLE_ASAN_BUILD_DIR:-dist/build-asan}
python=${PYTHON:-$(python3 -c "import sys; print(sys.executable)")}
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARVELLE_SANITIZE=ON -DCMAKE_INSTALL_PREFIX="$here/$build/root" \
    -DPython_EXECUTABLE="$python" >/dev/null
fi
jobs=${TARVELLE_JOBS:-4}
targets=()
for t in core_tests graph_tests; do
  if compgen -G "tests/${t%_tests}/*.cpp" >/dev/null; then targets+=("$t"); fi
done
cmake --build "$build" -j "$jobs" --target "${targets[@]}"
# Every report is fatal; leaks are reported too.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$jobs" -E '^host\.' "$@"
