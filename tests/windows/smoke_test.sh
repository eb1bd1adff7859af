#!/usr/bin/env bash
# Runs the Windows build of quorlin under wine the way a drag-and-drop start
# does (argument 0 and every track a full Windows path, standard input
# closed) and checks it against the Linux build: the same report lines (line
# endings aside) and the same output bytes for every track.
#
# Usage: tests/windows/smoke_test.sh LINUX_QUORLIN WINDOWS_QUORLIN_EXE
set -euo pipefail
linux_exe=$(realpath "$1")
windows_exe=$(realpath "$2")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$work/wineprefix}
cleanup() {
  wineserver -k > /dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "windows smoke test: FAILED: $*"; exit 1; }
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

mkdir -p "$work/music" "$work/linux" "$work/windows"
cp "$source_dir"/examples/*.bin "$source_dir"/fuzz/corpus/*.bin "$work/music/"
cp "$linux_exe" "$work/linux/quorlin"
cp "$windows_exe" "$work/windows/quorlin.exe"
tracks=("$work"/music/*.bin)

"$work/linux/quorlin" "${tracks[@]}" < /dev/null > "$work/linux.txt"

windows_tracks=()
for track in "${tracks[@]}"; do windows_tracks+=("$(winpath "$track")"); done
run_windows() {
  wine "$(winpath "$work/windows/quorlin.exe")" "$@" < /dev/null | tr -d '\r'
}
run_windows "${windows_tracks[@]}" > "$work/windows.txt"

[ -d "$work/windows/Output" ] || fail "no Output folder beside quorlin.exe"
diff -u "$work/linux.txt" "$work/windows.txt" || fail "report lines differ"
converted=0
for track in "${tracks[@]}"; do
  name=$(basename "$track")
  if [ -e "$work/linux/Output/$name" ]; then
    cmp "$work/linux/Output/$name" "$work/windows/Output/$name" || fail "$name differs"
    converted=$((converted + 1))
  elif [ -e "$work/windows/Output/$name" ]; then
    fail "$name was converted on Windows only"
  fi
done
[ "$converted" -gt 0 ] || fail "no track converted"

# A second run replaces the outputs it made before.
first=sunrise.bin
printf 'old' > "$work/windows/Output/$first"
run_windows "$(winpath "$work/music/$first")" > /dev/null
cmp "$work/linux/Output/$first" "$work/windows/Output/$first" || fail "an older output was not replaced"

# A track dropped from the Output folder, named in other letter case, is left alone.
source_copy="$work/windows/Output/$first"
before=$(sha256sum "$source_copy")
report=$(run_windows "$(winpath "$source_copy" | tr 'a-z' 'A-Z')")
echo "$report" | grep -q "would replace the source track itself" || fail "source track not refused: $report"
[ "$(sha256sum "$source_copy")" = "$before" ] || fail "the source track changed"

echo "windows smoke test: passed (${#tracks[@]} tracks, $converted converted, reports and bytes equal)"
