#!/usr/bin/env bash
# Runs the Windows build of quorlin under wine the way a drag-and-drop start
# does (argument 0 and every track a full Windows path, standard input
# closed) and checks it against the Linux build: the same report lines (line
# endings and the output folder's spelling aside), the same exit status and
# the same output bytes for every track, one of them named with characters
# outside any ANSI code page.
#
# Usage: tests/windows/smoke_test.sh LINUX_QUORLIN WINDOWS_QUORLIN_EXE
set -euo pipefail
linux_exe=$(realpath "$1")
windows_exe=$(realpath "$2")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$work/wineprefix} LC_ALL=C.UTF-8
cleanup() {
  wineserver -k > /dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "windows smoke test: FAILED: $*"; exit 1; }
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

mkdir -p "$work/music" "$work/linux" "$work/windows"
cp "$source_dir"/examples/*.bin "$source_dir"/examples/*.asm "$source_dir"/fuzz/corpus/*.bin \
  "$work/music/"
wide_name="ソング Ωμέγα.bin"
cp "$source_dir/examples/sunrise.bin" "$work/music/$wide_name"
cp "$linux_exe" "$work/linux/quorlin"
cp "$windows_exe" "$work/windows/quorlin.exe"
tracks=("$work"/music/*.bin "$work"/music/*.asm)

linux_status=0
"$work/linux/quorlin" "${tracks[@]}" < /dev/null > "$work/linux.txt" || linux_status=$?

windows_tracks=()
for track in "${tracks[@]}"; do windows_tracks+=("$(winpath "$track")"); done
run_windows() {
  wine "$(winpath "$work/windows/quorlin.exe")" "$@" < /dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}
windows_status=0
run_windows "${windows_tracks[@]}" > "$work/windows.txt" || windows_status=$?

[ -d "$work/windows/Output" ] || fail "no Output folder beside quorlin.exe"
[ "$linux_status" = "$windows_status" ] || fail "exit status $windows_status, on Linux $linux_status"
# The last line names the output folder, each system in its own spelling.
diff -u <(sed '$d' "$work/linux.txt") <(sed '$d' "$work/windows.txt") || fail "report lines differ"
summary() { tail -n 1 "$1" | sed 's/; reversed songs are in .*//'; }
[ "$(summary "$work/linux.txt")" = "$(summary "$work/windows.txt")" ] || fail "summaries differ"
grep -q "reversed songs are in Z:.*\\\\windows\\\\Output$" "$work/windows.txt" ||
  fail "the summary does not name the Output folder: $(tail -n 1 "$work/windows.txt")"
converted=0
for track in "${tracks[@]}"; do
  name=$(basename "$track")
  if [ -e "$work/linux/Output/$name" ]; then
    [ -e "$work/windows/Output/$name" ] || fail "$name was not converted on Windows"
    cmp "$work/linux/Output/$name" "$work/windows/Output/$name" || fail "$name differs"
    converted=$((converted + 1))
  elif [ -e "$work/windows/Output/$name" ]; then
    fail "$name was converted on Windows only"
  fi
done
[ "$converted" -gt 0 ] || fail "no track converted"
[ -e "$work/windows/Output/$wide_name" ] || fail "the track named $wide_name was not converted"

# A second run replaces the outputs it made before.
first=sunrise.bin
printf 'old' > "$work/windows/Output/$first"
run_windows "$(winpath "$work/music/$first")" > /dev/null || fail "a second run failed"
cmp "$work/linux/Output/$first" "$work/windows/Output/$first" || fail "an older output was not replaced"

# A track dropped from the Output folder, named in other letter case, is left alone.
source_copy="$work/windows/Output/$first"
before=$(sha256sum "$source_copy")
report=$(run_windows "$(winpath "$source_copy" | tr 'a-z' 'A-Z')") && fail "a refused track exited with 0"
echo "$report" | grep -q "would replace the source track itself" || fail "source track not refused: $report"
[ "$(sha256sum "$source_copy")" = "$before" ] || fail "the source track changed"

# The same file named twice, in other letter case, is converted once.
report=$(run_windows "$(winpath "$work/music/$first")" "$(winpath "$work/music/$first" | tr 'a-z' 'A-Z')") ||
  fail "a file named twice failed: $report"
echo "$report" | grep -q "Notice; the same file as .*, named before in this run: it is converted once" ||
  fail "a file named twice was not converted once: $report"

# An output that is a hard link to a track named later is refused, and that track kept.
rm "$work/windows/Output/$first"
ln "$work/music/$wide_name" "$work/windows/Output/$first"
before=$(sha256sum "$work/music/$wide_name")
report=$(run_windows "$(winpath "$work/music/$first")" "$(winpath "$work/music/$wide_name")") &&
  fail "a refused track exited with 0"
echo "$report" | grep -q "would replace Z:.*$wide_name, a track of this run" ||
  fail "an output linked to a later track was not refused: $report"
[ "$(sha256sum "$work/music/$wide_name")" = "$before" ] || fail "a track was overwritten through a link"

# An output folder with a file in its way: one line, nothing converted.
report=$(run_windows -o "$(winpath "$work/music/$first")" "$(winpath "$work/music/$first")") &&
  fail "an unusable output folder exited with 0"
echo "$report" | grep -q "Error; could not create the output folder .* (a file of that name is in the way); no track is converted" ||
  fail "an unusable output folder was not reported: $report"

# A file that is missing gets the system's reason.
report=$(run_windows 'Z:\no\such\track.bin') && fail "a missing track exited with 0"
echo "$report" | grep -q "Error; could not open the file (.*)" || fail "no reason for a missing track: $report"

echo "windows smoke test: passed (${#tracks[@]} tracks, $converted converted, reports, exit status and bytes equal)"
