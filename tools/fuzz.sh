#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/ and runs each for the given seconds from its
# seed corpus: tools/fuzz.sh [seconds] [target...]  (default 60 s, every target). FUZZ_JOBS
# targets run at a time (default 3); the build runs FUZZ_BUILD_JOBS compilers (default one per
# core). Fails on any crash, leak, sanitizer report or broken property; the input that showed it
# is kept under build-fuzz/fuzz-runs/<target>/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
jobs=${FUZZ_JOBS:-3}
dir=$top/build-fuzz
"$top/tools/install-deps.sh"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -G Ninja -DFUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${launcher[@]}" >/dev/null
cmake --build "$dir" --target fuzz_targets -j "${FUZZ_BUILD_JOBS:-$(nproc)}"

if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(cd "$dir/fuzz" && ls fuzz_* | sed 's/^fuzz_//' | sort)
fi

runs=$dir/fuzz-runs
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Seeds are shared by the two builds of one parser (xml_card and xml_checkout read corpus/xml).
seeds_of() {
  local name=$1
  for candidate in "$name" "${name%_card}" "${name%_checkout}"; do
    if [ -d "$top/fuzz/corpus/$candidate" ]; then
      echo "$top/fuzz/corpus/$candidate"
      return
    fi
  done
}

run_one() {
  local name=$1 work=$runs/$1
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/state"
  local seeds
  seeds=$(seeds_of "$name")
  # A target that reaches the platform keeps its state (registry, stores) out of the user's.
  if (cd "$work" && PLATFORM_STATE_DIR=$work/state "$dir/fuzz/fuzz_$name" -max_total_time="$seconds" \
      -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" \
      "$work/corpus" ${seeds:+"$seeds"} >"$work/log" 2>&1); then
    printf '%-22s clean, %s inputs\n' "$name" \
      "$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")"
  else
    printf '%-22s FAILED (log: %s)\n' "$name" "$work/log"
    grep -a -E 'property broken|ERROR:|SUMMARY:|Test unit written' "$work/log" | head -8 | sed 's/^/    /'
    return 1
  fi
}

mkdir -p "$runs"
failed=0
running=0
for name in "${targets[@]}"; do
  if [ ! -x "$dir/fuzz/fuzz_$name" ]; then
    echo "no fuzz target $name" >&2
    exit 2
  fi
  run_one "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit "$failed"
