#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one over its seed corpus for a fixed
# number of inputs. Fails on any crash, sanitizer report, timeout or broken invariant.
#   fuzz/run-fuzzers.sh [build-dir]   (default build-fuzz; a relative path is taken from the checkout)
# Tunable: FUZZ_RUNS (inputs per target, default 200000), FUZZ_MAX_SECONDS (cap per target,
# default 50), FUZZ_SEED (default 1, so a CI run is repeatable; 0 picks a fresh one).
# The committed corpus is copied first, so it never grows; inputs that fail are kept in
# <build-dir>/findings/ and can be replayed with <build-dir>/<target> <file>.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-"$root/build-fuzz"}
case "$build_dir" in /*) ;; *) build_dir="$root/$build_dir" ;; esac
runs=${FUZZ_RUNS:-200000}
max_seconds=${FUZZ_MAX_SECONDS:-50}
seed=${FUZZ_SEED:-1}
targets=(settings_fuzzer highscore_code_fuzzer highscore_address_fuzzer highscore_request_fuzzer)

for tool in clang clang++; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "run-fuzzers: $tool not found; the fuzz targets need clang and libFuzzer" >&2
    echo "  (Debian: apt-get install clang libclang-rt-14-dev, or run tools/setup.sh)" >&2
    exit 1
  fi
done

echo "== Fuzz targets: building in $build_dir"
mkdir -p "$build_dir"
log="$build_dir/build.log"
if ! CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build_dir" >"$log" 2>&1; then
  cat "$log" >&2
  echo "run-fuzzers: configuring failed (log: $log)" >&2
  exit 1
fi
if ! cmake --build "$build_dir" -j "$(nproc 2>/dev/null || echo 2)" >"$log" 2>&1; then
  cat "$log" >&2
  echo "run-fuzzers: build failed (log: $log)" >&2
  exit 1
fi
grep -E 'warning:' "$log" >&2 || true

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings="$build_dir/findings"
rm -rf "$findings"
mkdir -p "$findings"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# Longest input per target: four long combo texts; a code with room to spare; a name well beyond
# the 30 characters the name box takes, in bytes of UTF-8; a request's address, body and
# headers up to the service's 4 KiB body limit.
declare -A max_len=([settings_fuzzer]=512 [highscore_code_fuzzer]=64 [highscore_address_fuzzer]=160 [highscore_request_fuzzer]=4096)

failed=()
summary=()
for target in "${targets[@]}"; do
  corpus="$work/$target"
  mkdir -p "$corpus"
  cp "$root/fuzz/corpus/$target/"* "$corpus/"
  out="$build_dir/$target.log"
  echo "== $target: $runs inputs (at most ${max_seconds}s)"
  status=0
  "$build_dir/$target" "$corpus" -runs="$runs" -max_total_time="$max_seconds" \
    -max_len="${max_len[$target]}" -timeout=10 -rss_limit_mb=2048 -seed="$seed" \
    -artifact_prefix="$findings/$target-" -print_final_stats=1 >"$out" 2>&1 || status=$?
  done_line=$(grep -E '^Done [0-9]+ runs' "$out" | tail -1 || true)
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$out" >&2
    failed+=("$target")
    summary+=("$target: FAILED (exit $status; log $out; inputs in $findings)")
  else
    summary+=("$target: ok, ${done_line#Done }, corpus $(ls "$corpus" | wc -l) inputs")
  fi
done

echo "== Fuzz summary"
printf '%s\n' "${summary[@]}"
if ((${#failed[@]})); then
  echo "run-fuzzers: findings in ${failed[*]}" >&2
  exit 1
fi
