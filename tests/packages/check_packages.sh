#!/usr/bin/env bash
# Checks the release packages: each holds exactly the expected files (the
# Linux one in the system's layout, the Windows one flat), its program is
# stripped, and that program converts the example song it carries as the
# Linux build in BUILD does. The Windows package's quorlin.exe runs under wine, started as a
# drag-and-drop start starts it.
#
# Usage: tests/packages/check_packages.sh BUILD BUILD_WINDOWS
# (after `cmake --build BUILD --target package` and the same for BUILD_WINDOWS)
set -euo pipefail
build=$(realpath "$1")
build_windows=$(realpath "$2")
version=$(sed -n 's/^project(quorlin VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
work=$(mktemp -d)
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$work/wineprefix}
cleanup() {
  wineserver -k > /dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package check: FAILED: $*"; exit 1; }

documents="README.md LICENSE CHANGELOG.md examples/ examples/README.md examples/sunrise.asm examples/sunrise.bin"
linux_documents="share/ share/doc/ share/doc/quorlin/ $(printf 'share/doc/quorlin/%s ' $documents)"
# Lists a package's files, each without the package's own top folder, sorted.
contents() { cmake -E tar tf "$1" | sed 's|^[^/]*/||' | grep -v '^$' | sort; }
expect() {
  local package=$1
  shift
  local expected
  expected=$(printf '%s\n' "$@" | sort)
  [ -f "$package" ] || fail "no package $package"
  [ "$(contents "$package")" = "$expected" ] ||
    fail "$(basename "$package") holds: $(contents "$package" | tr '\n' ' ')"
}

linux_package=$build/quorlin-$version-linux-x86_64.tar.gz
windows_package=$build_windows/quorlin-$version-windows-x86_64.zip
# shellcheck disable=SC2086  # the documents are a list
expect "$linux_package" bin/ bin/quorlin $linux_documents
# shellcheck disable=SC2086
expect "$windows_package" quorlin.exe $documents

mkdir -p "$work/reference" "$work/linux" "$work/windows"
"$build/quorlin" --no-wait -o "$work/reference" "$(dirname "$0")/../../examples/sunrise.bin" > /dev/null

# A program without symbols: nm finds none.
stripped() { [ -z "$("$1" "$2" 2> /dev/null)" ] || fail "$(basename "$2") is not stripped"; }

(cd "$work/linux" && cmake -E tar xf "$linux_package")
linux_dir="$work/linux/quorlin-$version-linux-x86_64"
stripped nm "$linux_dir/bin/quorlin"
"$linux_dir/bin/quorlin" --no-wait -o "$work/linux/out" "$linux_dir/share/doc/quorlin/examples/sunrise.bin" > /dev/null ||
  fail "the Linux package's quorlin did not convert its example song"
cmp -s "$work/linux/out/sunrise.bin" "$work/reference/sunrise.bin" ||
  fail "the Linux package's quorlin wrote other bytes"

(cd "$work/windows" && cmake -E tar xf "$windows_package")
windows_dir="$work/windows/quorlin-$version-windows-x86_64"
stripped x86_64-w64-mingw32-nm "$windows_dir/quorlin.exe"
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
status=0
wine "$(winpath "$windows_dir/quorlin.exe")" "$(winpath "$windows_dir/examples/sunrise.bin")" \
  < /dev/null > "$work/windows.txt" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the Windows package's quorlin.exe exited with $status: $(cat "$work/windows.txt")"
cmp -s "$windows_dir/Output/sunrise.bin" "$work/reference/sunrise.bin" ||
  fail "the Windows package's quorlin.exe wrote other bytes, or none"
echo "package check: passed ($(basename "$linux_package"), $(basename "$windows_package"))"
