#!/usr/bin/env bash
# Compares the editor with the command-line tools on the same machine and the same files:
# decoding a 3-minute 44.1 kHz stereo MP3, and encoding a 28-second stretch of it as
# 44.1 kHz, 32 kbit/s mono MP3. Run after tools/build.sh: platform/audio_editor/bench/run.sh [build-dir]
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

ours=$("$build/bench/audio_editor_bench" "$work/song.mp3" "$work/ours.mp3" "$repeats")
ours_open=$(awk '$1 == "open" { print $2 }' <<<"$ours")
ours_save=$(awk '$1 == "save" { print $2 }' <<<"$ours")
tool_open=$(best ffmpeg -v error -y -i "$work/song.mp3" -f s16le "$work/decoded.raw")
tool_save=$(best lame --quiet -b 32 -m m --resample 44.1 "$work/selection.wav" "$work/tool.mp3")

printf '%-28s %10s %10s %8s\n' step editor tools ratio
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-28s %10s %10s %8s\n' "open 3 min MP3 (ffmpeg)" "$ours_open" "$tool_open" "$(ratio "$ours_open" "$tool_open")"
printf '%-28s %10s %10s %8s\n' "save 28 s selection (lame)" "$ours_save" "$tool_save" "$(ratio "$ours_save" "$tool_save")"
