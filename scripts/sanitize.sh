#!/usr/bin/env bash
# Builds the whole project (libraries, extension modules, commands, GoogleTest suites)
# with clang, AddressSanitizer and UndefinedBehaviorSanitizer in dist/build-asan,
# installs it into dist/build-asan/root, then runs every test against it: the C++
# suites under CTest, and the host-level suites in an interpreter that has the
# sanitizer runtime preloaded (the interpreter itself is not instrumented, so the
# runtime must come first). Extra arguments go to the C++ ctest run (e.g. -R Json).
#   TARVELLE_JOBS        parallel build and test jobs (default 4)
#   SANITIZE_CPP=0       skip the C++ suites
#   SANITIZE_HOST=0      skip the host-level suites
# Both parts run even when the first fails; the status is 1 when either failed.
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
cmake --build "$build" -j "$jobs"
cmake --install "$build" >/dev/null

# Every report is fatal; leaks are reported too (not in the interpreter, which keeps
# its objects to the end by design).
asan_options=abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
if [ "${SANITIZE_CPP:-1}" != 0 ]; then
  ASAN_OPTIONS=${ASAN_OPTIONS:-$asan_options:detect_leaks=1} \
    ctest --test-dir "$build" --output-on-failure -j "$jobs" -E '^host\.' "$@" || status=1
fi

if [ "${SANITIZE_HOST:-1}" != 0 ]; then
  runtime=$(clang -print-file-name=libclang_rt.asan-x86_64.so)
  [ -f "$runtime" ] || { echo "sanitizer runtime not found: $runtime" >&2; exit 1; }
  for t in tests/host/test_*.py; do
    stem=$(basename "$t" .py)
    echo "host.$stem (sanitizer build)"
    # The commands the suites start are interpreters too and inherit the preload.
    if ! LD_PRELOAD="$runtime" ASAN_OPTIONS=${ASAN_OPTIONS:-$asan_options:detect_leaks=0} \
         TARVELLE_ROOT="$here/$build/root" PYTHONDONTWRITEBYTECODE=1 \
         "$python" -m unittest -q "tests.host.$stem" >"$build/host.$stem.log" 2>&1; then
      echo "  FAILED: see $build/host.$stem.log" >&2
      tail -n 40 "$build/host.$stem.log" >&2
      status=1
    fi
  done
fi
exit $status
