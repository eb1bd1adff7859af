#!/usr/bin/env bash
# Whole-process figures of the quorlin executable, with public tools only:
#  1. 19 songs shaped like the game's, converted in one run, against copying
#     the same 19 files with cp: wall time of each in alternating pairs, each
#     run making its folder and files afresh (quorlin -o, cp -r), and the
#     median of the ratios;
#  2. the same 19 songs as SMPS2ASM source, read, converted and written as
#     source again in one run, against copying them, likewise;
#  3. a song as SMPS2ASM source of 5,000 lines, read, converted and written
#     as source again: wall time, median of 21 runs;
#  4. peak memory and wall time of one process per track of the whole set,
#     a 512 KiB game image with its 19 songs and the images built against
#     the music table search among them.
# Usage: bench/measure.sh BUILD_DIR [PAIRS]   (a build with QUORLIN_BUILD_BENCHMARKS=ON)
set -euo pipefail
build=${1:-build-bench}
pairs=${2:-41}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tracks" "$work/tool" "$work/songs"
"$build/quorlin_benchmark" --write-tracks="$work/tracks"
cp "$build/quorlin" "$work/tool/quorlin"
cd "$work/tracks"
songs=(song_??.bin)
cp "${songs[@]}" "$work/songs/"
mkdir -p "$work/sources"
cp song_??.asm "$work/sources/"

# Microseconds of wall time of one command, its output discarded.
wall_us() {
  local start=$EPOCHREALTIME
  "$@" < /dev/null > /dev/null
  local end=$EPOCHREALTIME
  echo $(( ${end/./} - ${start/./} ))
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Converts the files of FOLDER in one run against copying them, PAIRS times.
against_copy() {
  local folder=$1 label=$2
  local ratios=() convert_times=() copy_times=()
  for ((i = 0; i < pairs; i++)); do
    rm -rf "$work/out" "$work/copy"
    local convert copy
    convert=$(wall_us "$work/tool/quorlin" -o "$work/out" "$folder"/*)
    copy=$(wall_us cp -r "$folder" "$work/copy")
    convert_times+=("$convert")
    copy_times+=("$copy")
    ratios+=("$(awk -v a="$convert" -v b="$copy" 'BEGIN { printf "%.3f", a / b }')")
  done
  printf '%s: %d files, %d bytes in all, %d pairs\n' "$label" "$(ls "$folder" | wc -l)" \
    "$(cat "$folder"/* | wc -c)" "$pairs"
  printf 'convert in one run: median %s ms\n' "$(awk -v t="$(median "${convert_times[@]}")" 'BEGIN { print t / 1000 }')"
  printf 'copy with cp:       median %s ms\n' "$(awk -v t="$(median "${copy_times[@]}")" 'BEGIN { print t / 1000 }')"
  printf 'convert / copy:     median of the ratios %s (lowest %s, highest %s)\n\n' \
    "$(median "${ratios[@]}")" "$(printf '%s\n' "${ratios[@]}" | sort -g | head -1)" \
    "$(printf '%s\n' "${ratios[@]}" | sort -g | tail -1)"
}
against_copy "$work/songs" "songs as bytes"
against_copy "$work/sources" "songs as source"

source_times=()
for ((i = 0; i < 21; i++)); do
  rm -rf "$work/tool/Output"
  source_times+=("$(wall_us "$work/tool/quorlin" large_source.asm)")
done
printf 'a source of %d lines: median %s ms from reading to writing\n\n' \
  "$(wc -l < large_source.asm)" "$(awk -v t="$(median "${source_times[@]}")" 'BEGIN { print t / 1000 }')"

printf '%-40s %8s %10s  %s\n' track seconds "peak KiB" result
for track in *.bin *.asm *.gen; do
  stats=$( { /usr/bin/time -f '%e %M' "$work/tool/quorlin" "$track" < /dev/null > "$work/out.txt"; } 2>&1 )
  result=$(grep -o 'Error; .*' "$work/out.txt" | cut -c1-60 || true)
  printf '%-40s %8s %10s  %s\n' "$track" $stats "${result:-converted}"
done
