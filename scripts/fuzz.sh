#!/usr/bin/env bash
# Short libFuzzer run of every target (or of the named ones), at most four at a time.
#   bash scripts/fuzz.sh [seconds-per-target] [target...]     (default 60 s, all targets)
#   bash scripts/fuzz.sh --merge [target...]                   keep the inputs of corpus and
#                                                              working corpus that cover the
#                                                              most, at most 40, in
#                                                              tests/fuzz/corpus/<t>
# Builds with clang in dist/build-fuzz. Each target starts from tests/fuzz/corpus/<t> and
# grows a working corpus in dist/build-fuzz/work/<t>; crashes, hangs and sanitizer reports
# land in dist/build-fuzz/artifacts/<t>/ with the log in dist/build-fuzz/logs/<t>.log.
# Targets: decode json_read json_roundtrip graph_json pattern rows scan. Not run by CI.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
build=${TARVELLE_FUZZ_BUILD_DIR:-dist/build-fuzz}
jobs=${FUZZ_JOBS:-4}
all=(decode json_read json_roundtrip graph_json pattern rows scan)

merge=0
if [ "${1:-}" = "--merge" ]; then merge=1; shift; fi
secs=60
if [ $merge -eq 0 ] && [[ "${1:-}" =~ ^[0-9]+$ ]]; then secs=$1; shift; fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

if [ ! -f "$build/build.ninja" ]; then
  python=${PYTHON:-$(python3 -c "import sys; print(sys.executable)")}
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARVELLE_FUZZ=ON -DCMAKE_INSTALL_PREFIX="$here/$build/root" -DPython_EXECUTABLE="$python" >/dev/null
fi
cmake --build "$build" -j "$jobs" --target replay_driver $(printf 'fuzz_%s ' "${targets[@]}")

max_len() {
  case $1 in
    scan) echo 16384 ;;
    rows) echo 8192 ;;
    *) echo 4096 ;;
  esac
}
dict_of() {
  case $1 in json_* | graph_json) echo "-dict=tests/fuzz/json.dict" ;; *) echo "" ;; esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/logs"

if [ $merge -eq 1 ]; then
  for t in "${targets[@]}"; do
    python3 tests/fuzz/shrink_corpus.py "$build/tests/fuzz/fuzz_$t" "tests/fuzz/corpus/$t" \
      "tests/fuzz/corpus/$t" "$build/work/$t" --max "${FUZZ_CORPUS_MAX:-40}" -- -max_len="$(max_len "$t")"
  done
  exit 0
fi

run_one() {
  local t=$1
  mkdir -p "$build/work/$t" "$build/artifacts/$t"
  if "$build/tests/fuzz/fuzz_$t" "$build/work/$t" "tests/fuzz/corpus/$t" \
       -max_total_time="$secs" -timeout=20 -rss_limit_mb=2048 -max_len="$(max_len "$t")" $(dict_of "$t") \
       -artifact_prefix="$build/artifacts/$t/" -print_final_stats=1 >"$build/logs/$t.log" 2>&1; then
    echo "$t: ok ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$build/logs/$t.log" | grep -o '[0-9]*$') runs)"
  else
    echo "$t: FAILED, see $build/logs/$t.log and $build/artifacts/$t/"
    return 1
  fi
}
export -f run_one max_len dict_of
export build secs
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}'
