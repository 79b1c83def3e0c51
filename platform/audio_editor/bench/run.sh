#!/usr/bin/env bash
# Compares the editor with the command-line tools on the same machine and the same files:
# decoding a 3-minute 44.1 kHz stereo MP3, encoding a 28-second stretch of it as 44.1 kHz,
# 32 kbit/s mono MP3, and a 90-minute 128 kbit/s stereo MP3 taken from opening to ready to play
# (time and peak memory) beside the tool decoding it to PCM. The tool streams; the editor holds
# the clip, 908 MiB of samples for 90 minutes, so that ratio shows what it holds beyond them.
# Run after tools/build.sh: platform/audio_editor/bench/run.sh [build-dir]
set -euo pipefail
top=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$top/build}
repeats=${REPEATS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -v error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=180" \
  -f lavfi -i "anoisesrc=color=pink:sample_rate=44100:duration=180:amplitude=0.2" \
  -filter_complex "[0][1]amerge=inputs=2" -ac 2 "$work/source.wav"
lame --quiet -b 192 "$work/source.wav" "$work/song.mp3"
ffmpeg -v error -y -ss 60 -t 28 -i "$work/song.mp3" -c:a pcm_s16le "$work/selection.wav"
# The long file's PCM goes through a pipe rather than 908 MiB of disk.
ffmpeg -v error -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=5400" \
  -f lavfi -i "anoisesrc=color=pink:sample_rate=44100:duration=5400:amplitude=0.2" \
  -filter_complex "[0][1]amerge=inputs=2" -ac 2 -f wav - | lame --quiet -b 128 - "$work/long.mp3"

# Best wall time of a command over the repeats, in seconds.
best() {
  local best=
  for _ in $(seq "$repeats"); do
    local start end took
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    took=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
    if [ -z "$best" ] || awk -v t="$took" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$took; fi
  done
  printf '%.4f' "$best"
}

# Peak resident size in KiB and wall time in seconds of one run of a command, its output dropped.
peak_and_time() {
  python3 -c '
import resource, subprocess, sys, time
start = time.monotonic()
subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, "%.4f" % (time.monotonic() - start))
' "$@"
}

# The shorter of a time and the best so far, which is empty at first.
shorter() { if [ -z "$2" ] || awk -v t="$1" -v b="$2" 'BEGIN { exit !(t < b) }'; then echo "$1"; else echo "$2"; fi; }

# Best time and highest peak of the long file over the repeats, each run a process of its own.
long_ours_time= long_ours_peak=0 long_tool_time= long_tool_peak=0
for _ in $(seq "$repeats"); do
  # The audio library reports missing sound hardware on stderr; it is shown only on failure.
  if ! run=$("$build/bench/audio_editor_bench" --ready "$work/long.mp3" 2>"$work/ready.err"); then
    cat "$work/ready.err" >&2
    exit 1
  fi
  took=$(awk '$1 == "ready" { print $2 }' <<<"$run")
  peak=$(awk '$1 == "peak" { print $2 }' <<<"$run")
  long_ours_time=$(shorter "$took" "$long_ours_time")
  long_ours_peak=$((peak > long_ours_peak ? peak : long_ours_peak))
  read -r peak took < <(peak_and_time ffmpeg -v error -i "$work/long.mp3" -f s16le -)
  long_tool_time=$(shorter "$took" "$long_tool_time")
  long_tool_peak=$((peak > long_tool_peak ? peak : long_tool_peak))
done

ours=$("$build/bench/audio_editor_bench" "$work/song.mp3" "$work/ours.mp3" "$repeats")
ours_open=$(awk '$1 == "open" { print $2 }' <<<"$ours")
ours_save=$(awk '$1 == "save" { print $2 }' <<<"$ours")
tool_open=$(best ffmpeg -v error -y -i "$work/song.mp3" -f s16le "$work/decoded.raw")
tool_save=$(best lame --quiet -b 32 -m m --resample 44.1 "$work/selection.wav" "$work/tool.mp3")

printf '%-34s %10s %10s %8s\n' step editor tools ratio
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }
printf '%-34s %10s %10s %8s\n' "open 3 min MP3 (ffmpeg)" "$ours_open" "$tool_open" "$(ratio "$ours_open" "$tool_open")"
printf '%-34s %10s %10s %8s\n' "save 28 s selection (lame)" "$ours_save" "$tool_save" "$(ratio "$ours_save" "$tool_save")"
printf '%-34s %10s %10s %8s\n' "90 min MP3 to ready (ffmpeg)" "$long_ours_time" "$long_tool_time" \
  "$(ratio "$long_ours_time" "$long_tool_time")"
printf '%-34s %10s %10s %8s\n' "90 min MP3 peak MiB (ffmpeg)" "$(mib "$long_ours_peak")" \
  "$(mib "$long_tool_peak")" "$(ratio "$long_ours_peak" "$long_tool_peak")"
