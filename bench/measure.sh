#!/usr/bin/env bash
# Peak memory and wall time of the quorlin executable on every track of the
# benchmark set, one process per track. Usage: bench/measure.sh BUILD_DIR
set -euo pipefail
build=${1:-build-bench}
tracks=$(mktemp -d)
trap 'rm -rf "$tracks"' EXIT
"$build/quorlin_benchmark" --write-tracks="$tracks"
cp "$build/quorlin" "$tracks/quorlin"
printf '%-36s %10s %12s  %s\n' track seconds "peak KiB" result
for track in "$tracks"/*.bin; do
  stats=$( { /usr/bin/time -f '%e %M' "$tracks/quorlin" "$track" < /dev/null > "$tracks/out.txt"; } 2>&1 )
  result=$(grep -o 'Error; .*' "$tracks/out.txt" | cut -c1-60 || true)
  printf '%-36s %10s %12s  %s\n' "$(basename "$track" .bin)" $stats "${result:-converted}"
done
