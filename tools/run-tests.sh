#!/usr/bin/env bash
# Runs every test binary of a build whole, each in one process, in a shuffled order, from a
# scratch folder and on a virtual display of its own, a few binaries at a time:
#   tools/run-tests.sh BUILD-DIR [gtest options...]
# TEST_SEED repeats an order (the run prints the one it used); TEST_JOBS sets how many binaries
# run at once (half the cores unless told).
set -uo pipefail
build=$(cd "$1" && pwd)
shift
seed=${TEST_SEED:-$(( (RANDOM * 32768 + RANDOM) % 99999 + 1 ))}
jobs=${TEST_JOBS:-$(( $(nproc) / 2 > 0 ? $(nproc) / 2 : 1 ))}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mapfile -t binaries < <(find "$build/tests" -maxdepth 1 -type f -perm -u+x ! -name '*.so' | sort)
if [ ${#binaries[@]} -eq 0 ]; then
  echo "no test binaries in $build/tests" >&2
  exit 1
fi
echo "Running ${#binaries[@]} test binaries whole, shuffled with seed $seed (TEST_SEED=$seed repeats it), $jobs at a time"

# One binary on a display of its own, so that windows of one binary never take the focus from
# another's. Xvfb picks a free display number itself and tells it once it is listening.
run_one() {
  local binary=$1 seed=$2 work=$3
  shift 3
  local name log scratch xvfb display
  name=$(basename "$binary")
  log=$work/$name.log
  scratch=$work/$name.cwd
  mkdir -p "$scratch"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/$name.display" 2>"$work/$name.xvfb" &
  xvfb=$!
  for _ in $(seq 200); do
    [ -s "$work/$name.display" ] && break
    sleep 0.05
  done
  display=$(head -n1 "$work/$name.display")
  local start=$SECONDS rc=0
  (cd "$scratch" && DISPLAY=":$display" timeout -k 10 1500 "$binary" --gtest_shuffle --gtest_random_seed="$seed" "$@") \
    >"$log" 2>&1 || rc=$?
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  echo "$rc $((SECONDS - start))" >"$work/$name.result"
}
export -f run_one

printf '%s\n' "${binaries[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {} "$seed" "$work" "$@"

passed=0 failed=0 skipped=0 failing=()
for binary in "${binaries[@]}"; do
  name=$(basename "$binary")
  log=$work/$name.log
  read -r rc took <"$work/$name.result" || { rc=1; took=0; }
  p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -n1)
  f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -n1)
  s=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) test.*/\1/p' "$log" | tail -n1)
  if [ -z "$p" ] && [ -z "$f" ]; then
    # Ended before its summary (a crash, a hang cut by the timeout): what finished counts.
    p=$(grep -c '^\[       OK \]' "$log")
    f=1
  fi
  p=${p:-0} f=${f:-0} s=${s:-0}
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi
  passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + s))
  status=ok
  if [ "$rc" -ne 0 ] || [ "$f" -ne 0 ]; then status=FAILED; failing+=("$name"); fi
  printf '%-40s %-7s %5d tests %5ds\n' "$name" "$status" "$((p + f + s))" "$took"
done

for name in "${failing[@]}"; do
  echo
  echo "===== $name (exit $(cut -d' ' -f1 "$work/$name.result"), seed $seed) ====="
  cat "$work/$name.log"
done
echo
echo "$passed passed, $failed failed, $skipped skipped"
[ ${#failing[@]} -eq 0 ]
